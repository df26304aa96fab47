# cmake -DCOMPILE_COMMANDS=<build>/compile_commands.json -DSOURCE_DIR=<source>
#       -DPROBE_DIR=<scratch folder> -P check_platform_only_headers.cmake
#
# Proves that a header of Qt, FFmpeg or TurboJPEG does not compile outside
# platform/ (see platform_only_headers.cmake). A tiny probe is compiled with
# the very command line the build uses for a source of the system's code
# (engine/) and for the program's main (app/main.cpp): a probe that
# includes only a platform header must compile, so the command line works;
# a probe that includes one of the three libraries' headers must fail, for
# the reason expected.

cmake_minimum_required(VERSION 3.25)

foreach(var COMPILE_COMMANDS SOURCE_DIR PROBE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
if(NOT EXISTS "${COMPILE_COMMANDS}")
  message(FATAL_ERROR "${COMPILE_COMMANDS} is missing: the generator must write compile commands")
endif()
file(READ "${COMPILE_COMMANDS}" commands)
string(JSON entries LENGTH "${commands}")

# The command line (as a list, without its source and its output) and the
# folder of the first compile of a source whose path matches `pattern`.
function(command_for pattern out_args out_dir)
  math(EXPR last "${entries} - 1")
  foreach(i RANGE ${last})
    string(JSON file GET "${commands}" ${i} file)
    if(NOT file MATCHES "${pattern}")
      continue()
    endif()
    string(JSON command GET "${commands}" ${i} command)
    string(JSON directory GET "${commands}" ${i} directory)
    separate_arguments(words UNIX_COMMAND "${command}")
    set(args "")
    set(skip_next OFF)
    foreach(word IN LISTS words)
      if(skip_next)
        set(skip_next OFF)
      elseif(word MATCHES "^-(o|c|MF|MT|MQ)$")
        set(skip_next ON)
      elseif(NOT word MATCHES "^-(MD|MMD)$")
        list(APPEND args "${word}")
      endif()
    endforeach()
    set(${out_args} "${args}" PARENT_SCOPE)
    set(${out_dir} "${directory}" PARENT_SCOPE)
    return()
  endforeach()
  message(FATAL_ERROR "no compile command for a source matching ${pattern}")
endfunction()

# Each probe: a name, the line it includes, and what the compiler must say
# ("" for a probe that must compile).
set(forbidden_reason "only platform/ includes FFmpeg and TurboJPEG headers")
set(probes
  "platform|#include \"runtime/classes.h\"|"
  "qt|#include <QtCore/QObject>|QtCore/QObject: No such file or directory"
  "ffmpeg|#include <libavcodec/avcodec.h>|libavcodec/avcodec.h: ${forbidden_reason}"
  "turbojpeg|#include <turbojpeg.h>|turbojpeg.h: ${forbidden_reason}")

file(MAKE_DIRECTORY "${PROBE_DIR}")
set(failures "")
foreach(context "engine|^${SOURCE_DIR}/engine/" "main|^${SOURCE_DIR}/app/main\\.cpp$")
  string(REPLACE "|" ";" context "${context}")
  list(GET context 0 context_name)
  list(GET context 1 pattern)
  command_for("${pattern}" args directory)
  foreach(probe IN LISTS probes)
    string(REPLACE "|" ";" probe "${probe}")
    list(GET probe 0 name)
    list(GET probe 1 line)
    list(LENGTH probe fields)
    set(expected "")
    if(fields GREATER 2)
      list(GET probe 2 expected)
    endif()
    set(source "${PROBE_DIR}/${name}.cpp")
    file(WRITE "${source}" "${line}\nint main() { return 0; }\n")
    execute_process(COMMAND ${args} -fsyntax-only "${source}" WORKING_DIRECTORY "${directory}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(expected STREQUAL "")
      if(NOT rc EQUAL 0)
        list(APPEND failures "${context_name}/${name} did not compile:\n${output}")
      endif()
    elseif(rc EQUAL 0)
      list(APPEND failures "${context_name}/${name} compiled: '${line}' must fail outside platform/")
    else()
      string(FIND "${output}" "${expected}" at)
      if(at EQUAL -1)
        list(APPEND failures "${context_name}/${name} failed without saying '${expected}':\n${output}")
      endif()
    endif()
    message(STATUS "${context_name}/${name}: ${line} -> exit ${rc}")
  endforeach()
endforeach()

if(failures)
  string(JOIN "\n" text ${failures})
  message(FATAL_ERROR "${text}")
endif()
