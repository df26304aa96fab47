#include "platform_init.h"

#include "app/application.h"
#include "app/file_type.h"
#include "dialogs/dialogs.h"
#include "files/folder_item.h"
#include "media/effect.h"
#include "media/media_plugins.h"
#include "media/movie.h"
#include "media/picture.h"
#include "runtime/delegate.h"
#include "runtime/trace.h"
#include "runtime/values.h"
#include "ui/controls.h"
#include "ui/menu.h"

void RuntimeInitPlatformClasses() {
  // Windows first (this platform has no drag and drop, so no DragItem
  // class), then the list of open windows, then every other class.
  Window::StaticClass();
  RuntimeCreateWindowLists();
  Delegate::StaticClass();
  StringArray::StaticClass();
  Application::StaticClass();
  MenuItem::StaticClass();
  MenuBar::StaticClass();
  QuitMenuItem::StaticClass();
  Control::StaticClass();
  RectControl::StaticClass();
  TextField::StaticClass();
  StaticText::StaticClass();
  Canvas::StaticClass();
  ProgressBar::StaticClass();
  Timer::StaticClass();
  Picture::StaticClass();
  Graphics::StaticClass();
  FolderItem::StaticClass();
  FolderItemDialog::StaticClass();
  SelectFolderDialog::StaticClass();
  SaveAsDialog::StaticClass();
  // The plug-in classes: the bevel button, the movie and effect classes.
  BevelButton::StaticClass();
  EditableMovie::StaticClass();
  QTVideoTrack::StaticClass();
  QTEffect::StaticClass();
  QTEffectSequence::StaticClass();
  FileType::StaticClass();  // last of the platform's classes
}

void _RuntimeInitExternalClasses() {
  RuntimeTrace("external classes");
  RegisterMediaPluginMembers();
  RegisterBevelButtonPluginMembers();
}

void RuntimeReleaseFrameworkGlobals() {
  RuntimeTrace("release framework globals");
  RuntimeReleaseWindowLists();
}
