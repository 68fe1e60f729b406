#!/usr/bin/env bash
# Configures (once) and builds the given targets, or everything, in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build ${1:+--target "$@"}
