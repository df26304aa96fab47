#pragma once
// The engine reaches every control by its name at each use, as the class
// it is known to be; a name that finds nothing raises NilObjectException.
#include <cstdint>
#include <string>

#include "mainwindow/window1.h"

Ref<TextField> TextFieldNamed(Window1& window, const char* name);
Ref<ProgressBar> ProgressBarNamed(Window1& window, const char* name);
Ref<Canvas> CanvasNamed(Window1& window, const char* name);
Ref<BevelButton> BevelButtonNamed(Window1& window, const char* name);

// A field's text as a whole number: parsed, then truncated to an Int32.
std::int32_t FieldInt32(Window1& window, const char* name);

// The picture cropped by croppicture with the four margin fields, read
// anew in the order top, bottom, left, right.
Ref<Picture> CropByFields(Window1& window, const Ref<Picture>& picture);

// Whether a name or path is one the engine takes for a photo: it holds
// ".jpg", in any case, anywhere.
bool NamesJpeg(const std::string& text);

// The path of a frame file: the destination folder's absolute path, then
// the frame's name.
Ref<FolderItem> FrameFile(const Ref<FolderItem>& destination, const std::string& name);
