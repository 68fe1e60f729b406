#!/usr/bin/env bash
# Builds the given targets, or everything, in build/:
#   build.sh [-DNAME=VALUE ...] [TARGET ...]
# configuring it the first time, and again when an option differs from the
# value it was configured with.
set -euo pipefail
cd "$(dirname "$0")/.."
options=()
while [[ ${1:-} == -D* ]]; do options+=("$1"); shift; done
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
else
  for option in "${options[@]}"; do
    name=${option#-D}; name=${name%%=*}
    if ! grep -qx "$name:[A-Z]*=${option#*=}" build/CMakeCache.txt; then
      cmake -S . -B build "${options[@]}"
      break
    fi
  done
fi
cmake --build build ${1:+--target "$@"}
