#include "app/file_types.h"

#include <string>

#include "runtime/trace.h"

namespace FileTypes {
namespace {

struct TypeRow {
  Ref<FileType> Globals::*global;
  const char* globalName;
  const char* name;
  const char* extensions;
  const char* macType;
  const char* macCreator;
};

// Stored exactly as declared: three MacTypes end in a blank, both AVI
// lists name ".avi" twice, and only pMpeg's list starts with ".mpe".
constexpr TypeRow kTypes[] = {
    {&Globals::pJpeg, "pJpeg", "image/jpeg", ".jfif;.jpe;.jpeg;.jpg", "JPEG", "prvw"},
    {&Globals::pQuicktime, "pQuicktime", "video/quicktime", ".moov;.mov;.qt;.mqv", "MooV", "TVOD"},
    {&Globals::pVideoAvi, "pVideoAvi", "video/avi", ".avi;.vfw;.avi", "VfW ", "TVOD"},
    {&Globals::pMpeg, "pMpeg", "video/mpeg", ".mpe;.mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa", "MPEG",
     "TVOD"},
    {&Globals::pVideoMp4, "pVideoMp4", "video/mp4", ".mp4", "mpg4", "TVOD"},
    {&Globals::pImageJpeg2000, "pImageJpeg2000", "image/jpeg2000", ".jp2", "jp2 ", "ogle"},
    {&Globals::pImagePict, "pImagePict", "image/pict", ".pict;.pic;.pct", "PICT", "ttxt"},
    {&Globals::pImagePng, "pImagePng", "image/png", ".png", "PNGf", "ogle"},
    {&Globals::pVideoXM4v, "pVideoXM4v", "video/x-m4v", ".m4v", "M4V ", "hook"},
    {&Globals::pVideoXMpeg, "pVideoXMpeg", "video/x-mpeg", ".mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa",
     "MPEG", "TVOD"},
    {&Globals::pVideoXMsvideo, "pVideoXMsvideo", "video/x-msvideo", ".avi;.vfw;.avi", "VfW ", "TVOD"},
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

void ReleaseAll() {
  for (const TypeRow& row : kTypes) {
    RuntimeTrace(std::string("release FileTypes.") + row.globalName);
    (Module().*row.global).Reset();
  }
}

}  // namespace FileTypes
