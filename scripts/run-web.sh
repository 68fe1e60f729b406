#!/usr/bin/env bash
# Installs what is missing, builds the web page and serves it on this machine
# (127.0.0.1 counts as a secure origin, so Web Serial works without HTTPS).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
./scripts/build.sh web-site
echo "Open http://127.0.0.1:8080 in Chrome or Edge (Ctrl+C stops serving)"
exec /usr/bin/python3 -m http.server 8080 --bind 127.0.0.1 --directory build/web/site
