#include "engine/controls.h"

#include "runtime/values.h"

namespace {
template <class T>
Ref<T> ControlNamed(Window1& window, const char* name) {
  Ref<Object> control = RuntimeWindowControlByName(window, name);
  if (!control) RaiseNilObjectException(std::string("the control ") + name);
  return RuntimeCheckCastAs<T>(control, T::StaticClass());
}
}  // namespace

Ref<TextField> TextFieldNamed(Window1& window, const char* name) { return ControlNamed<TextField>(window, name); }
Ref<ProgressBar> ProgressBarNamed(Window1& window, const char* name) {
  return ControlNamed<ProgressBar>(window, name);
}
Ref<Canvas> CanvasNamed(Window1& window, const char* name) { return ControlNamed<Canvas>(window, name); }
Ref<BevelButton> BevelButtonNamed(Window1& window, const char* name) {
  return ControlNamed<BevelButton>(window, name);
}

std::int32_t FieldInt32(Window1& window, const char* name) {
  return RuntimeCvtReal64ToSInt32(Val(TextFieldNamed(window, name)->Text()));
}

Ref<Picture> CropByFields(Window1& window, const Ref<Picture>& picture) {
  const std::int32_t top = FieldInt32(window, "ftop");
  const std::int32_t bottom = FieldInt32(window, "fbottom");
  const std::int32_t left = FieldInt32(window, "fleft");
  const std::int32_t right = FieldInt32(window, "fright");
  return window.croppicture(picture, top, bottom, left, right);
}

bool NamesJpeg(const std::string& text) { return InStr(0, text, ".jpg") > 0; }

Ref<FolderItem> FrameFile(const Ref<FolderItem>& destination, const std::string& name) {
  const std::string folder = destination->AbsolutePath();
  // A folder that has vanished has no trailing separator: the frame would
  // land beside it under a joined name.
  if (folder.empty() || folder.back() != '/')
    throw IOException("while saving " + name + ": the destination folder " + folder + " is missing");
  Ref<FolderItem> item = GetFolderItem(folder + name, 0);
  if (!item) RaiseNilObjectException("the frame file " + name);
  return item;
}
