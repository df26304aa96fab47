// "make movie": a folder of JPEG frames assembled into an H.264 movie.
#include <cmath>
#include <vector>

#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "engine/run_failure.h"
#include "runtime/runtime.h"
#include "runtime/values.h"

namespace {
template <class Dialog>
Ref<Dialog> NewDialog(Window1& window) {
  return RuntimeCheckCastAs<Dialog>(window.__New(Dialog::StaticClass()), Dialog::StaticClass());
}

Ref<FolderItem> VolumeRoot() {
  Ref<FolderItem> root = Volume(0);
  if (!root) RaiseNilObjectException("volume 0");
  return root;
}

// Appends the frames to a new movie at the target; the movie is finished
// (its file complete) when this returns.
void AppendFrames(Window1& window, const std::vector<std::string>& framelist, FolderItem& target,
                  std::int32_t width, std::int32_t height, double frameRate) {
  auto itemAt = [&](std::size_t index) {
    Ref<FolderItem> item = GetFolderItem(framelist[index], 0);
    if (!item) RaiseNilObjectException("the item of " + framelist[index]);
    return item;
  };
  Ref<EditableMovie> movie = plugin::FolderItemCreateMovie(target);
  if (!movie) RaiseNilObjectException("the movie at " + target.AbsolutePath());
  Ref<QTVideoTrack> track = plugin::EditableMovieNewVideoTrack(*movie, width, height, frameRate);
  if (!track)
    RaiseNilObjectException("the video track of " + Str(width) + " x " + Str(height) + " pixels at " +
                            Str(frameRate) + " frames per second");
  plugin::QTVideoTrackSetCompressionType(*track, "avc1");

  // The last index is read anew before every path.
  for (std::size_t index = 0; index < framelist.size(); ++index) {
    Ref<Picture> picture = itemAt(index)->OpenAsPicture();
    if (picture) {
      plugin::QTVideoTrackAppendPicture(*track, picture);
      ProgressBarNamed(window, "ProgressBar1")->SetMaximum(0);
      if (index > 0) {
        ProgressBarNamed(window, "ProgressBar1")->SetMaximum(100);
        const double last = static_cast<double>(framelist.size() - 1);
        ProgressBarNamed(window, "ProgressBar1")
            ->SetValue(RuntimeCvtReal64ToSInt32(static_cast<double>(index) / last * 100.0));
      }
    }
    window.Refresh(true);
    RuntimeBackgroundTask();
  }
  // Let go here, the track and the movie finish the file, and a failure
  // in finishing is raised where the click can report it.
  track = nullptr;
  movie = nullptr;
  RuntimeCompleteHandlerWork();
}
}  // namespace

void Window1::BevelButton6_Action() {
  // A rate that is no positive number makes no movie: said before any dialog.
  const double frameRate = Val(TextFieldNamed(*this, "fps")->Text());
  if (!(frameRate > 0) || !std::isfinite(frameRate)) {
    MsgBox("the frame rate of the movie must be a number above 0");
    return;
  }

  Ref<SelectFolderDialog> folderDialog = NewDialog<SelectFolderDialog>(*this);
  folderDialog->SetActionButtonCaption("Select");
  folderDialog->SetTitle("Title Property");
  folderDialog->SetPromptText("Select the folder containing the images");
  folderDialog->SetInitialDirectory(Volume(0));
  Ref<FolderItem> folder = folderDialog->ShowModal();
  if (!folder) return;

  // The entry count is read anew before every entry.
  std::vector<std::string> framelist;
  for (std::int32_t i = 1; i <= folder->Count(); ++i) {
    Ref<FolderItem> entry = folder->Item(i);
    if (!entry) RaiseNilObjectException("entry " + Str(i) + " of the chosen folder");
    std::string path = entry->AbsolutePath();
    if (NamesJpeg(path)) framelist.push_back(std::move(path));
    RuntimeBackgroundTask();
  }

  Ref<SaveAsDialog> saveDialog = NewDialog<SaveAsDialog>(*this);
  saveDialog->SetInitialDirectory(VolumeRoot()->Child("Documents"));
  saveDialog->SetPromptText("save the movie where?");
  saveDialog->SetSuggestedFileName("vindralo.mov");
  saveDialog->SetTitle("save movie where?");
  Ref<FolderItem> target = saveDialog->ShowModal();
  if (!target || framelist.size() < 2) return;

  // The first picture gives the track its size; one that does not read is
  // named, and no movie is made.
  Ref<FolderItem> first = GetFolderItem(framelist[0], 0);
  if (!first) RaiseNilObjectException("the item of " + framelist[0]);
  Ref<Picture> firstPicture = first->OpenAsPicture();
  if (!firstPicture) {
    MsgBox("cannot read " + first->Name() + ": " + first->LastError());
    return;
  }
  const std::int32_t width = firstPicture->Width();
  const std::int32_t height = firstPicture->Height();
  firstPicture = nullptr;

  // A failure while the movie is written (a full disk) is reported, and the
  // unfinished movie leaves no file behind.
  if (auto failure = FailureOf([&] { AppendFrames(*this, framelist, *target, width, height, frameRate); }))
    MsgBox(*failure);
  ProgressBarNamed(*this, "ProgressBar1")->SetMaximum(100);
  ProgressBarNamed(*this, "ProgressBar1")->SetValue(0);
}
