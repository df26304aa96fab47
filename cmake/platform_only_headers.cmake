# Only platform/ may include the headers of Qt, FFmpeg and TurboJPEG.
#
# Linking them PRIVATE to `platform` keeps Qt's include folders away from
# the rest of the code, but FFmpeg's and TurboJPEG's headers sit in the
# compiler's default search path, where any file finds them. For those, the
# targets named below get an include folder searched first that holds a
# stand-in for every such header: including one stops the compilation with
# a message that says why.

set(VINDRALO_FORBIDDEN_INCLUDES ${CMAKE_BINARY_DIR}/platform-only-headers)

find_path(VINDRALO_FFMPEG_INCLUDE_ROOT libavcodec/avcodec.h HINTS ${FFMPEG_INCLUDE_DIRS})
find_path(VINDRALO_TURBOJPEG_INCLUDE_ROOT turbojpeg.h HINTS ${TURBOJPEG_INCLUDE_DIRS})
if(NOT VINDRALO_FFMPEG_INCLUDE_ROOT OR NOT VINDRALO_TURBOJPEG_INCLUDE_ROOT)
  message(FATAL_ERROR "FFmpeg's or TurboJPEG's headers were not found")
endif()

file(GLOB forbidden RELATIVE ${VINDRALO_FFMPEG_INCLUDE_ROOT}
  ${VINDRALO_FFMPEG_INCLUDE_ROOT}/libavcodec/*.h ${VINDRALO_FFMPEG_INCLUDE_ROOT}/libavformat/*.h
  ${VINDRALO_FFMPEG_INCLUDE_ROOT}/libavutil/*.h ${VINDRALO_FFMPEG_INCLUDE_ROOT}/libswscale/*.h
  ${VINDRALO_FFMPEG_INCLUDE_ROOT}/libswresample/*.h ${VINDRALO_FFMPEG_INCLUDE_ROOT}/libavfilter/*.h
  ${VINDRALO_FFMPEG_INCLUDE_ROOT}/libavdevice/*.h)
list(APPEND forbidden turbojpeg.h jpeglib.h)
foreach(header ${forbidden})
  file(CONFIGURE OUTPUT ${VINDRALO_FORBIDDEN_INCLUDES}/${header}
    CONTENT "#error \"${header}: only platform/ includes FFmpeg and TurboJPEG headers; use the platform's own types\"\n")
endforeach()

# Makes every FFmpeg or TurboJPEG include in the target's own sources fail.
function(vindralo_forbid_platform_headers target)
  target_include_directories(${target} BEFORE PRIVATE ${VINDRALO_FORBIDDEN_INCLUDES})
endfunction()
