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
#include "ui/menu.h"

void RuntimeInitPlatformClasses() {
  Delegate::StaticClass();
  StringArray::StaticClass();
  Application::StaticClass();
  MenuItem::StaticClass();
  MenuBar::StaticClass();
  QuitMenuItem::StaticClass();
  Picture::StaticClass();
  Graphics::StaticClass();
  FolderItem::StaticClass();
  FolderItemDialog::StaticClass();
  SelectFolderDialog::StaticClass();
  SaveAsDialog::StaticClass();
  // The movie and effect plug-in classes.
  EditableMovie::StaticClass();
  QTVideoTrack::StaticClass();
  QTEffect::StaticClass();
  QTEffectSequence::StaticClass();
  FileType::StaticClass();  // last of the platform's classes
}

void _RuntimeInitExternalClasses() {
  RuntimeTrace("external classes");
  RegisterMediaPluginMembers();
}

void RuntimeReleaseFrameworkGlobals() { RuntimeTrace("release framework globals"); }
