// The folder fade run: one transition per tick of Timer1 while tflag is 1.
#include <utility>

#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "engine/sequence.h"
#include "runtime/runtime.h"
#include "runtime/values.h"

namespace {

// Entries k and k + 1 of the run, found in one pass over the listing. Entry
// k of the run is the (k - 1)-th entry of the source folder's listing whose
// name contains ".jpg" (the entries that were counted), so that other files
// anywhere in the folder are passed over; none where there is no such entry.
struct RunPair {
  Ref<FolderItem> first, second;
};
RunPair RunEntries(const Ref<FolderItem>& folder, std::int32_t k) {
  const std::int64_t wanted = static_cast<std::int64_t>(k) - 1;
  RunPair pair;
  std::int64_t seen = 0;
  const std::int32_t n = folder->Count();
  for (std::int32_t i = 1; i <= n; ++i) {
    Ref<FolderItem> entry = folder->Item(i);
    if (!entry || InStr(0, entry->Name(), ".jpg") <= 0) continue;
    ++seen;
    if (seen == wanted) pair.first = entry;
    if (seen == wanted + 1) {
      pair.second = entry;
      break;
    }
  }
  return pair;
}

Ref<Picture> CropWithFields(Window1& window, const Ref<Picture>& picture) {
  const Margins m = ReadMargins(window);
  return window.croppicture(picture, m.top, m.bottom, m.left, m.right);
}

}  // namespace

void Window1::Timer1_Action() {
  const std::int32_t stillframes = FieldInt32(*this, "stilltext");
  const std::int32_t fadeframes = FieldInt32(*this, "fadetext");
  if (tflag != 1) return;

  if (firstflag == 0) {
    firstflag = 1;
    fcnter = 1;
    Ref<FolderItem> entry = RunEntries(sourcefolder, itemIdx).first;
    if (!entry) RaiseNilObjectException("the first entry of the source folder");
    Ref<Picture> cropped = CropWithFields(*this, entry->OpenAsPicture());
    FrameFile(destfolder, bildname(fcnter))->SaveAsJPEG(cropped);
    fcnter = WrapAdd(fcnter, 1);
    ProgressBarNamed(*this, "ProgressBar1")->SetValue(fcnter);
  }

  if (itemIdx <= cnt) {
    // The listing cannot change between the two lookups (nothing runs
    // between them), so one pass finds both.
    auto [firstEntry, secondEntry] = RunEntries(sourcefolder, itemIdx);
    if (!firstEntry) {
      MsgBox("exit " + Str(itemIdx));
      tflag = 0;
      return;
    }
    Ref<Picture> firstPicture = firstEntry->OpenAsPicture();
    if (!secondEntry) {
      MsgBox("exit " + Str(WrapAdd(itemIdx, 1)));
      tflag = 0;
      return;
    }
    Ref<Picture> secondPicture = secondEntry->OpenAsPicture();
    // The whole pictures go as soon as their crops are made: a run on big
    // photos holds as few pictures as it can.
    Ref<Picture> first = CropWithFields(*this, std::exchange(firstPicture, nullptr));
    Ref<Picture> second = CropWithFields(*this, std::exchange(secondPicture, nullptr));
    CanvasNamed(*this, "Canvas1")->SetBackdrop(second);

    const std::int32_t frames = WrapAdd(fadeframes, 1);
    sequence = NewEffectSequence(*this, theEffect, first, second, frames);
    std::int32_t stepok = 0;
    std::string name;
    for (std::int32_t j = 1; j <= frames; ++j) {
      plugin::QTEffectSequenceSetFrame(*sequence, j);
      name = bildname(fcnter);
      Ref<FolderItem> file = FrameFile(destfolder, name);
      if (plugin::QTEffectSequenceImage(*sequence)) {
        file->SaveAsJPEG(plugin::QTEffectSequenceImage(*sequence));
        stepok = 1;
        fcnter = WrapAdd(fcnter, 1);
        ProgressBarNamed(*this, "ProgressBar1")->SetValue(fcnter);
      } else {
        stepok = 0;
        TextFieldNamed(*this, "TextField1")->SetText("some problemss");
      }
      RuntimeBackgroundTask();
      if (j == frames) break;  // j + 1 would leave the Int32 range at the top
    }
    sequence = nullptr;
    // The pair is done only when its last step was saved; otherwise the next
    // active tick does it again.
    if (stepok == 1) itemIdx = WrapAdd(itemIdx, 1);
    for (std::int32_t k = 1; stillframes > 1 && k <= stillframes - 1; ++k) {
      name = bildname(fcnter);
      FrameFile(destfolder, name)->SaveAsJPEG(second);
      fcnter = WrapAdd(fcnter, 1);
      Refresh(true);
      RuntimeBackgroundTask();
    }
    Ref<ProgressBar> progress = ProgressBarNamed(*this, "ProgressBar1");
    progress->SetValue(fcnter);
    TextFieldNamed(*this, "TextField1")->SetText("saving " + name + " of " + Str(progress->Maximum()));
  } else {
    tflag = 0;
    MsgBox("all done " + Str(fcnter) + " " + Str(ProgressBarNamed(*this, "ProgressBar1")->Maximum()));
  }
  ProgressBarNamed(*this, "ProgressBar1")->SetValue(fcnter);
}
