#include "app/file_types.h"

#include <string>

#include "runtime/trace.h"

namespace FileTypes {
namespace {

struct TypeRow {
  Ref<FileType> Globals::*global;
  const char* name;
  const char* extensions;
  const char* macType;
  const char* macCreator;
};

// Stored exactly as declared: three MacTypes end in a blank, both AVI
// lists name ".avi" twice, and only pMpeg's list starts with ".mpe".
constexpr TypeRow kTypes[] = {
    {&Globals::pJpeg, "image/jpeg", ".jfif;.jpe;.jpeg;.jpg", "JPEG", "prvw"},
    {&Globals::pQuicktime, "video/quicktime", ".moov;.mov;.qt;.mqv", "MooV", "TVOD"},
    {&Globals::pVideoAvi, "video/avi", ".avi;.vfw;.avi", "VfW ", "TVOD"},
    {&Globals::pMpeg, "video/mpeg", ".mpe;.mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa", "MPEG", "TVOD"},
    {&Globals::pVideoMp4, "video/mp4", ".mp4", "mpg4", "TVOD"},
    {&Globals::pImageJpeg2000, "image/jpeg2000", ".jp2", "jp2 ", "ogle"},
    {&Globals::pImagePict, "image/pict", ".pict;.pic;.pct", "PICT", "ttxt"},
    {&Globals::pImagePng, "image/png", ".png", "PNGf", "ogle"},
    {&Globals::pVideoXM4v, "video/x-m4v", ".m4v", "M4V ", "hook"},
    {&Globals::pVideoXMpeg, "video/x-mpeg", ".mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa", "MPEG", "TVOD"},
    {&Globals::pVideoXMsvideo, "video/x-msvideo", ".avi;.vfw;.avi", "VfW ", "TVOD"},
};

void Release(Ref<FileType> Globals::*global, const char* name) {
  RuntimeTrace(std::string("release FileTypes.") + name);
  (Module().*global).Reset();
}

constexpr void (*kReleaseRoutines[])() = {
    pJpeg__Exit,      pQuicktime__Exit, pVideoAvi__Exit,   pMpeg__Exit,       pVideoMp4__Exit,     pImageJpeg2000__Exit,
    pImagePict__Exit, pImagePng__Exit,  pVideoXM4v__Exit,  pVideoXMpeg__Exit, pVideoXMsvideo__Exit,
};

}  // namespace

// Never destroyed: a type still held when the process ends must not be let
// go after the platform's statics.
Globals& Module() {
  static auto* globals = new Globals();
  return *globals;
}

void _Initialize() {
  for (const TypeRow& row : kTypes) {
    Ref<FileType>& global = Module().*row.global;
    global = DynamicRef<FileType>(RuntimeNewObject(FileType::StaticClass()));
    global->SetName(row.name);
    global->SetExtensions(row.extensions);
    global->SetMacType(row.macType);
    global->SetMacCreator(row.macCreator);
    global->Operator_Convert();  // registers the type; its Name is not used
  }
}

void pJpeg__Exit() { Release(&Globals::pJpeg, "pJpeg"); }
void pQuicktime__Exit() { Release(&Globals::pQuicktime, "pQuicktime"); }
void pVideoAvi__Exit() { Release(&Globals::pVideoAvi, "pVideoAvi"); }
void pMpeg__Exit() { Release(&Globals::pMpeg, "pMpeg"); }
void pVideoMp4__Exit() { Release(&Globals::pVideoMp4, "pVideoMp4"); }
void pImageJpeg2000__Exit() { Release(&Globals::pImageJpeg2000, "pImageJpeg2000"); }
void pImagePict__Exit() { Release(&Globals::pImagePict, "pImagePict"); }
void pImagePng__Exit() { Release(&Globals::pImagePng, "pImagePng"); }
void pVideoXM4v__Exit() { Release(&Globals::pVideoXM4v, "pVideoXM4v"); }
void pVideoXMpeg__Exit() { Release(&Globals::pVideoXMpeg, "pVideoXMpeg"); }
void pVideoXMsvideo__Exit() { Release(&Globals::pVideoXMsvideo, "pVideoXMsvideo"); }

std::span<void (*const)()> ReleaseRoutines() { return kReleaseRoutines; }

}  // namespace FileTypes
