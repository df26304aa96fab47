// The folder fade run: one transition per tick of Timer1 while tflag is 1.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "engine/run_failure.h"
#include "engine/run_state.h"
#include "engine/sequence.h"
#include "runtime/runtime.h"
#include "runtime/values.h"

namespace {

// Entries k and k + 1 of the run. Entry k of the run is the (k - 1)-th
// entry of the source folder's listing whose name contains ".jpg" (the
// entries that were counted), so that other files anywhere in the folder
// are passed over; none where there is no such entry. Where those entries
// are in the listing is found from the listing's names once for each
// reading of the listing, and only the two entries a tick uses are made as
// items, so a tick costs the same whatever the folder's size.
struct RunPair {
  Ref<FolderItem> first, second;
};
RunPair RunEntries(FolderItem& folder, std::int32_t k) {
  static std::uint64_t indexedVersion = 0;
  static std::shared_ptr<const std::vector<std::string>> indexedNames;
  static std::vector<std::int32_t> photos;  // listing indices of the ".jpg" entries
  const std::int64_t wanted = static_cast<std::int64_t>(k) - 1;
  RunPair pair;
  // A folder that changes between the reading of its names and the making
  // of the items is looked at again, a few times at most.
  for (int look = 0; look < 3; ++look) {
    const FolderItem::ListingNames listing = folder.Names();
    if (listing.version != indexedVersion) {
      // A listing read anew with the same names (one read too soon after a
      // change is read again at every look) keeps its index.
      if (!indexedNames || *indexedNames != *listing.names) {
        photos.clear();
        const std::size_t n = std::min<std::size_t>(listing.names->size(), 0x7fffffff);
        for (std::size_t i = 0; i < n; ++i)
          if (NamesJpeg((*listing.names)[i])) photos.push_back(static_cast<std::int32_t>(i + 1));
      }
      indexedVersion = listing.version;
      indexedNames = listing.names;
    }
    // The item at a place is the entry meant when it has the name the
    // index was made from (Item looks at the folder again).
    bool same = true;
    auto entry = [&](std::int64_t photo) -> Ref<FolderItem> {
      if (photo < 1 || photo > static_cast<std::int64_t>(photos.size())) return nullptr;
      const std::int32_t index = photos[static_cast<std::size_t>(photo) - 1];
      Ref<FolderItem> item = folder.Item(index);
      same = same && item && item->Name() == (*listing.names)[static_cast<std::size_t>(index) - 1];
      return item;
    };
    pair = {entry(wanted), entry(wanted + 1)};
    if (same) break;
  }
  return pair;
}

Ref<Picture> CroppedPicture(Window1& window, FolderItem& entry) {
  return CropByFields(window, OpenRunPicture(entry));
}

// A source folder that has gone finds no photo: that is said, rather than
// taken for a folder without photos or a photo that vanished. Its whole
// path is named, so that the user can tell where it was (a drive taken
// out, a folder moved).
void RequireSourceFolder(FolderItem& folder) {
  if (!folder.Directory()) throw RunFailure("the source folder " + folder.AbsolutePath() + " is missing");
}

// One active tick: the first frame while there is none, then one transition
// or the end of the run.
void FolderFadeTick(Window1& w, std::int32_t stillframes, std::int32_t fadeframes) {
  if (!w.destfolder) throw RunFailure("please select a destination folder");
  if (!w.sourcefolder) throw RunFailure("please select a source folder or source video");

  if (w.firstflag == 0) {
    w.firstflag = 1;
    w.fcnter = 1;
    Ref<FolderItem> entry = RunEntries(*w.sourcefolder, w.itemIdx).first;
    if (!entry) RequireSourceFolder(*w.sourcefolder);
    if (!entry) throw RunFailure("the source folder holds no .jpg pictures");
    Ref<Picture> cropped = CroppedPicture(w, *entry);
    FrameFile(w.destfolder, w.bildname(w.fcnter))->SaveAsJPEG(cropped);
    w.fcnter = WrapAdd(w.fcnter, 1);
    ProgressBarNamed(w, "ProgressBar1")->SetValue(w.fcnter);
  }

  if (w.itemIdx <= w.cnt) {
    // The listing cannot change between the two lookups (nothing runs
    // between them), so one pass finds both.
    auto [firstEntry, secondEntry] = RunEntries(*w.sourcefolder, w.itemIdx);
    if (!firstEntry || !secondEntry) RequireSourceFolder(*w.sourcefolder);
    if (!firstEntry) {
      MsgBox("exit " + Str(w.itemIdx));
      w.tflag = 0;
      return;
    }
    if (!secondEntry) {
      MsgBox("exit " + Str(WrapAdd(w.itemIdx, 1)));
      w.tflag = 0;
      return;
    }
    // Each whole picture goes as soon as its crop is made: a run on big
    // photos holds as few pictures as it can.
    Ref<Picture> first = CroppedPicture(w, *firstEntry);
    Ref<Picture> second = CroppedPicture(w, *secondEntry);
    CanvasNamed(w, "Canvas1")->SetBackdrop(second);

    const std::int32_t frames = WrapAdd(fadeframes, 1);
    w.sequence = NewEffectSequence(w, w.theEffect, first, second, frames);
    std::int32_t stepok = 0;
    std::string name;
    for (std::int32_t j = 1; j <= frames; ++j) {
      plugin::QTEffectSequenceSetFrame(*w.sequence, j);
      name = w.bildname(w.fcnter);
      Ref<FolderItem> file = FrameFile(w.destfolder, name);
      if (plugin::QTEffectSequenceImage(*w.sequence)) {
        file->SaveAsJPEG(plugin::QTEffectSequenceImage(*w.sequence));
        stepok = 1;
        w.fcnter = WrapAdd(w.fcnter, 1);
        ProgressBarNamed(w, "ProgressBar1")->SetValue(w.fcnter);
      } else {
        stepok = 0;
        TextFieldNamed(w, "TextField1")->SetText("some problemss");
      }
      RuntimeBackgroundTask();
      if (j == frames) break;  // j + 1 would leave the Int32 range at the top
    }
    w.sequence = nullptr;
    // The pair is done only when its last step was saved; otherwise the next
    // active tick does it again.
    if (stepok == 1) w.itemIdx = WrapAdd(w.itemIdx, 1);
    for (std::int32_t k = 1; stillframes > 1 && k <= stillframes - 1; ++k) {
      name = w.bildname(w.fcnter);
      FrameFile(w.destfolder, name)->SaveAsJPEG(second);
      w.fcnter = WrapAdd(w.fcnter, 1);
      w.Refresh(true);
      RuntimeBackgroundTask();
    }
    Ref<ProgressBar> progress = ProgressBarNamed(w, "ProgressBar1");
    progress->SetValue(w.fcnter);
    TextFieldNamed(w, "TextField1")->SetText("saving " + name + " of " + Str(progress->Maximum()));
  } else {
    w.tflag = 0;
    MsgBox("all done " + Str(w.fcnter) + " " + Str(ProgressBarNamed(w, "ProgressBar1")->Maximum()));
  }
  ProgressBarNamed(w, "ProgressBar1")->SetValue(w.fcnter);
  // The tick's frames are on disk here, or their failure raised while the
  // tick can still be undone.
  RuntimeCompleteHandlerWork();
}

}  // namespace

void Window1::Timer1_Action() {
  const std::int32_t stillframes = FieldInt32(*this, "stilltext");
  const std::int32_t fadeframes = FieldInt32(*this, "fadetext");
  if (tflag != 1) return;

  // A tick that fails is undone and the run stopped: a new start does the
  // tick again, so that the frames end up as after a run that never failed
  // (the saves behind a failed frame are dropped, not written).
  const std::int32_t startFcnter = fcnter, startItemIdx = itemIdx, startFirstflag = firstflag;
  const std::optional<std::string> failure = FailureOf([&] { FolderFadeTick(*this, stillframes, fadeframes); });
  if (!failure) return;
  fcnter = startFcnter;
  itemIdx = startItemIdx;
  firstflag = startFirstflag;
  sequence = nullptr;
  StopFolderRun(*this);
  ProgressBarNamed(*this, "ProgressBar1")->SetValue(fcnter);
  MsgBox(*failure);
}
