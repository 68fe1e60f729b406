#!/usr/bin/env bash
# Four gimbals upgraded at once against one alone: prints the wall time of
# each and their ratio (the goal is at most 1.05). Each gimbal is a gimbal-sim
# on its own pseudo-terminal; all get the same three-image file.
#
#   tools/measure-parallel-upgrade.sh [build dir] [blocks per image]
set -euo pipefail
export LC_ALL=C  # decimal points in the figures

BUILD=${1:-"$(dirname "$0")/../build"}
BLOCKS=${2:-8}
GIMBALS=4

work=$(mktemp -d)
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

file="$work/measure.3plov"
"$(dirname "$0")/write-test-firmware.sh" "$BLOCKS" "$file"
"$BUILD/gimbalctl" inspect "$file" > /dev/null

. "$(dirname "$0")/simulated-gimbals.sh"
start_gimbals $GIMBALS "$work"
ports=()
for path in "${gimbal_paths[@]}"; do ports+=(--port "$path"); done

seconds() {  # wall time of a command that must succeed
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

one=$(seconds "$BUILD/gimbalctl" upgrade "${ports[@]:0:2}" "$file")
four=$(seconds "$BUILD/gimbalctl" upgrade "${ports[@]}" "$file")
printf 'one gimbal:   %.3f s  (%d blocks)\n' "$one" $((3 * (BLOCKS + 1)))
printf 'four at once: %.3f s\n' "$four"
printf 'ratio:        %.3f  (goal at most 1.05)\n' "$(awk -v a="$four" -v b="$one" 'BEGIN { print a / b }')"
