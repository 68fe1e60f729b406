#!/usr/bin/env bash
# Runs a command, from the top of this checkout, as the checkout's owner.
# Started as root (through sudo or su) in a checkout a user owns, the build
# and the window are that user's: build/ stays theirs and the window does not
# run as root. In a checkout root owns (as CI's), it runs as root.
set -euo pipefail
cd "$(dirname "$0")/.."
owner=$(stat -c %U .)
if [ "$(id -u)" -eq 0 ] && [ "$owner" != root ]; then
  exec runuser -u "$owner" -- "$@"
fi
exec "$@"
