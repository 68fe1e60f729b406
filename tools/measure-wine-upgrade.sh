#!/usr/bin/env bash
# gimbalctl.exe under wine upgrading a gimbal-sim with a three-image file of
# 255 blocks: prints the wall time against the pacing floor (every block and
# end-of-image frame 0.2 s after the one before; the goal is at most 1.02)
# and the size of gimbalctl.exe. The wine prefix of the build folder is used
# (ctest -L windows makes it).
#
#   tools/measure-wine-upgrade.sh [build dir] [blocks per image]
set -euo pipefail
export LC_ALL=C

BUILD=$(realpath "${1:-"$(dirname "$0")/../build"}")
BLOCKS=${2:-85}
WINE64=/usr/lib/wine/wine64
export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all

work=$(mktemp -d)
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2> /dev/null || true
  rm -f "$WINEPREFIX/dosdevices/com20"
  "$(dirname "$WINE64")/wineserver" -k 2> /dev/null || true  # the prefix's wine processes end too
  rm -rf "$work"
}
trap cleanup EXIT

file="$work/measure.3plov"
"$(dirname "$0")/write-test-firmware.sh" "$BLOCKS" "$file"

"$BUILD/gimbal-sim" > "$work/sim" 2> /dev/null &
sim=$!
until [ -s "$work/sim" ]; do sleep 0.05; done
ln -sfn "$(head -n 1 "$work/sim")" "$WINEPREFIX/dosdevices/com20"
"$(dirname "$WINE64")/wineserver" -p 10 > /dev/null 2>&1  # its output discarded
"$WINE64" "$BUILD/windows/gimbalctl.exe" --version > /dev/null  # wine started once

start=$(date +%s.%N)
"$WINE64" "$BUILD/windows/gimbalctl.exe" upgrade --port COM20 "Z:$file" > /dev/null
end=$(date +%s.%N)
frames=$((3 * (BLOCKS + 1)))
awk -v a="$start" -v b="$end" -v f="$frames" -v n=$((3 * BLOCKS)) 'BEGIN {
  printf "upgrade under wine: %.3f s  (%d blocks, %d paced frames)\n", b - a, n, f
  printf "pacing floor:       %.3f s\n", f * 0.2
  printf "ratio:              %.3f  (goal at most 1.02)\n", (b - a) / (f * 0.2) }'
printf 'gimbalctl.exe:      %d bytes\n' "$(stat -c %s "$BUILD/windows/gimbalctl.exe")"
