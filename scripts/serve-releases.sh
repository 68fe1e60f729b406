#!/usr/bin/env bash
# Serves a release folder over HTTP on the loopback address only, as any
# static web server would serve it to the technicians:
#   serve-releases.sh [DIR [PORT]]
# DIR defaults to examples/releases (gimbal-sim --write-example examples),
# PORT to 8000. Ctrl+C stops it.
set -euo pipefail
folder=${1:-examples/releases}
port=${2:-8000}
if [ ! -f "$folder/releases.json" ]; then
  echo "serve-releases.sh: $folder/releases.json is missing (gimbal-sim --write-example DIR writes DIR/releases)" >&2
  exit 2
fi
echo "Serving $folder at http://127.0.0.1:$port/ (Ctrl+C stops)"
exec python3 -m http.server --bind 127.0.0.1 --directory "$folder" "$port"
