#!/usr/bin/env bash
# Installs what is missing, builds vindralo in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVINDRALO_TESTS=OFF
cmake --build build/release -j"$(nproc)" --target vindralo
exec build/release/vindralo/bin/vindralo "$@"
