#!/usr/bin/env bash
# Prints the size of the portable core built alone as a standalone .wasm at
# -Os, every public entry exported (bench/wasm), plain and gzipped. Builds the
# WebAssembly sub-build of the given build folder first.
#
#   tools/measure-wasm-size.sh [build folder]
set -euo pipefail

BUILD=${1:-"$(dirname "$0")/../build"}
WASM="$BUILD/wasm/bench/wasm/portable_core.wasm"

if ! cmake --build "$BUILD" --target wasm > /dev/null; then
  echo "measure-wasm-size: the WebAssembly build failed or is not configured (needs emscripten)" >&2
  exit 1
fi
echo "portable core .wasm: $(stat -c %s "$WASM") bytes, $(gzip -9c "$WASM" | wc -c) gzipped"
