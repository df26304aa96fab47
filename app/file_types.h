#pragma once
// The eleven file types the application declares to the platform: made and
// registered at start-up, let go at shut-down.
#include "app/file_type.h"

namespace FileTypes {

// The module globals, in declaration order; each none until start-up.
struct Globals {
  Ref<FileType> pJpeg, pQuicktime, pVideoAvi, pMpeg, pVideoMp4, pImageJpeg2000, pImagePict, pImagePng, pVideoXM4v,
      pVideoXMpeg, pVideoXMsvideo;
};
Globals& Module();

// Makes, fills and registers the eleven types in table order.
void _Initialize();

// Releases the eleven globals in table order, setting each to none (the
// __Exit of each global); the last reference to a registered type
// withdraws the registration.
void ReleaseAll();

}  // namespace FileTypes
