#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite twice: a
# Release build, and a build under the address and undefined-behaviour
# sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
# GoogleTest runs the tests, which deliver input as the window system does
# through Qt's private headers; ffmpeg and ImageMagick are the peers the
# benchmark's smoke test times ours against.
bash scripts/deps.sh libgtest-dev qt6-base-private-dev ffmpeg imagemagick
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Release
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure -j"$jobs"

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVINDRALO_SANITIZE=ON
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"
