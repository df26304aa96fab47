#pragma once
// The eleven file types the application declares to the platform: made and
// registered at start-up, let go at shut-down.
#include <span>

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

// Each releases its global and sets it to none; the last reference to a
// registered type withdraws the registration.
void pJpeg__Exit();
void pQuicktime__Exit();
void pVideoAvi__Exit();
void pMpeg__Exit();
void pVideoMp4__Exit();
void pImageJpeg2000__Exit();
void pImagePict__Exit();
void pImagePng__Exit();
void pVideoXM4v__Exit();
void pVideoXMpeg__Exit();
void pVideoXMsvideo__Exit();

// The eleven release routines in table order, as shut-down calls them.
std::span<void (*const)()> ReleaseRoutines();

}  // namespace FileTypes
