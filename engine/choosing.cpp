// Choosing the destination folder, the source folder and the source video.
#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "runtime/runtime.h"
#include "runtime/values.h"

void Window1::BevelButton2_Action() {
  destfolder = SelectFolder();
  if (!destfolder) return;
  plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton2"), destfolder->Name());
}

void Window1::BevelButton1_Action() {
  sourcefolder = SelectFolder();
  if (!sourcefolder) return;
  plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton1"), sourcefolder->Name());
  sourcevideo = nullptr;
  plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton4"), "source video");
  cnt = 0;
  // The number of entries is read once: entries that appear or vanish
  // during the count do not change it.
  const std::int32_t n = sourcefolder->Count();
  for (std::int32_t i = 1; i <= n; ++i) {
    Ref<FolderItem> entry = sourcefolder->Item(i);
    if (!entry) RaiseNilObjectException("entry " + Str(i) + " of the source folder");
    if (InStr(0, entry->Name(), ".jpg") > 0) cnt = WrapAdd(cnt, 1);
    RuntimeBackgroundTask();
  }
}

void Window1::BevelButton4_Action() {
  if (!destfolder) {
    MsgBox("destination folder first");
    return;
  }
  Ref<FolderItem> file = GetOpenFolderItem("");
  if (!file) return;
  if (!file->Exists()) return;
  Ref<EditableMovie> movie = plugin::FolderItemOpenEditableMovie(*file);
  if (!movie) return;
  sourcevideo = movie;
  sourcefolder = nullptr;
  plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton1"), "source folder");
  plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton4"), file->Name());
  Ref<TextField> status = TextFieldNamed(*this, "TextField1");
  const std::string duration = Str(plugin::EditableMovieDuration(*sourcevideo));
  const std::string timeDuration = Str(plugin::EditableMovieTimeDuration(*sourcevideo));
  const std::string timeScale = Str(plugin::EditableMovieTimeScale(*sourcevideo));
  status->SetText(duration + " " + timeDuration + " " + timeScale);
}
