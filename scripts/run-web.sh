#!/usr/bin/env bash
# Installs what building the page needs (setup-deps.sh web), builds the web
# page and serves it on this machine (127.0.0.1 counts as a secure origin, so
# Web Serial works without HTTPS).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh web
# The page is built by the WebAssembly build, which comes with the tests; a
# new build/ is made without the benchmarks, one that test.sh made keeps them.
options=(-DGIMBAL_BUILD_TESTS=ON)
[ -f build/CMakeCache.txt ] || options+=(-DGIMBAL_BUILD_BENCHMARKS=OFF)
./scripts/as-owner.sh ./scripts/build.sh "${options[@]}" web-site
echo "Open http://127.0.0.1:8080 in Chrome or Edge (Ctrl+C stops serving)"
exec ./scripts/as-owner.sh /usr/bin/python3 -m http.server 8080 --bind 127.0.0.1 --directory build/web/site
