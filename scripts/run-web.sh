#!/usr/bin/env bash
# Installs what is missing, builds the web page and serves it on this machine
# (127.0.0.1 counts as a secure origin, so Web Serial works without HTTPS).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
# The page is built by the WebAssembly build, which comes with the tests.
./scripts/as-owner.sh ./scripts/build.sh -DGIMBAL_BUILD_TESTS=ON web-site
echo "Open http://127.0.0.1:8080 in Chrome or Edge (Ctrl+C stops serving)"
exec ./scripts/as-owner.sh /usr/bin/python3 -m http.server 8080 --bind 127.0.0.1 --directory build/web/site
