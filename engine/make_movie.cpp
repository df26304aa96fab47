// "make movie": a folder of JPEG frames assembled into an H.264 movie.
#include <vector>

#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
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
}  // namespace

void Window1::BevelButton6_Action() {
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
    if (InStr(0, path, ".jpg") > 0) framelist.push_back(std::move(path));
    RuntimeBackgroundTask();
  }

  Ref<SaveAsDialog> saveDialog = NewDialog<SaveAsDialog>(*this);
  saveDialog->SetInitialDirectory(VolumeRoot()->Child("Documents"));
  saveDialog->SetPromptText("save the movie where?");
  saveDialog->SetSuggestedFileName("vindralo.mov");
  saveDialog->SetTitle("save movie where?");
  Ref<FolderItem> target = saveDialog->ShowModal();
  if (!target || framelist.size() < 2) return;

  auto itemAt = [&](std::size_t index) {
    Ref<FolderItem> item = GetFolderItem(framelist[index], 0);
    if (!item) RaiseNilObjectException("the item of " + framelist[index]);
    return item;
  };
  Ref<Picture> firstPicture = itemAt(0)->OpenAsPicture();
  if (!firstPicture) RaiseNilObjectException("the picture of " + framelist[0]);
  const std::int32_t width = firstPicture->Width();
  const std::int32_t height = firstPicture->Height();
  firstPicture = nullptr;

  Ref<EditableMovie> movie = plugin::FolderItemCreateMovie(*target);
  if (!movie) RaiseNilObjectException("the movie at " + target->AbsolutePath());
  const double frameRate = Val(TextFieldNamed(*this, "fps")->Text());
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
      ProgressBarNamed(*this, "ProgressBar1")->SetMaximum(0);
      if (index > 0) {
        ProgressBarNamed(*this, "ProgressBar1")->SetMaximum(100);
        const double last = static_cast<double>(framelist.size() - 1);
        ProgressBarNamed(*this, "ProgressBar1")
            ->SetValue(RuntimeCvtReal64ToSInt32(static_cast<double>(index) / last * 100.0));
      }
    }
    Refresh(true);
    RuntimeBackgroundTask();
  }
  ProgressBarNamed(*this, "ProgressBar1")->SetMaximum(100);
  ProgressBarNamed(*this, "ProgressBar1")->SetValue(0);
  // The track and the movie are let go here, which finishes the file.
}
