// Choosing the destination folder, the source folder and the source video.
#include "app/plugin_calls.h"
#include "dialogs/dialogs.h"
#include "engine/controls.h"
#include "engine/run_state.h"
#include "runtime/runtime.h"
#include "runtime/values.h"

// A choice made during a folder run stops the run first (its ticks must not
// go on behind the dialog), and a folder or video chosen starts a new run.

void Window1::BevelButton2_Action() {
  StopFolderRun(*this);
  destfolder = SelectFolder();
  if (!destfolder) return;
  StartNewRun(*this);
  plugin::BevelButtonCaptionSet(*BevelButtonNamed(*this, "BevelButton2"), destfolder->Name());
}

void Window1::BevelButton1_Action() {
  StopFolderRun(*this);
  sourcefolder = SelectFolder();
  if (!sourcefolder) return;
  StartNewRun(*this);
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
    if (NamesJpeg(entry->Name())) cnt = WrapAdd(cnt, 1);
    RuntimeBackgroundTask();
  }
}

void Window1::BevelButton4_Action() {
  if (!destfolder) {
    MsgBox("destination folder first");
    return;
  }
  StopFolderRun(*this);
  Ref<FolderItem> file = GetOpenFolderItem("");
  if (!file) return;
  if (!file->Exists()) return;
  Ref<EditableMovie> movie = plugin::FolderItemOpenEditableMovie(*file);
  if (!movie) return;
  StartNewRun(*this);
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
