#!/usr/bin/env bash
# Ten gimbals through one station, three plugged in at a time: as each unit's
# record appears in the log, its gimbal is unplugged and the next one plugged
# in. Prints the total time against the pacing floor of ten upgrades divided
# by three (the blocks' 0.2 s pauses, which no station can beat). Each gimbal
# is a gimbal-sim on its own pseudo-terminal, each port a link in a folder.
#
#   tools/measure-station.sh [build dir] [blocks per image]
set -euo pipefail
export LC_ALL=C  # decimal points in the figures

BUILD=${1:-"$(dirname "$0")/../build"}
BLOCKS=${2:-4}
GIMBALS=10
AT_ONCE=3

work=$(mktemp -d)
sims=()
station=""
cleanup() {
  [ -n "$station" ] && kill "$station" 2> /dev/null || true
  for pid in "${sims[@]}"; do kill "$pid" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

file="$work/measure.3plov"
"$(dirname "$0")/write-test-firmware.sh" "$BLOCKS" "$file"
. "$(dirname "$0")/simulated-gimbals.sh"
start_gimbals $GIMBALS "$work"

mkdir "$work/ports"
log="$work/units.jsonl"
"$BUILD/gimbalctl" station --ports-from "$work/ports" --log "$log" "$file" > /dev/null 2>&1 &
station=$!
until [ -e "$log" ]; do sleep 0.01; done

start=$(date +%s.%N)
plugged=0
while [ $plugged -lt $AT_ONCE ]; do
  ln -s "${gimbal_paths[$plugged]}" "$work/ports/gimbal$plugged"
  plugged=$((plugged + 1))
done
finished=0
while [ $finished -lt $GIMBALS ]; do
  records=$(wc -l < "$log")
  while [ $finished -lt "$records" ]; do
    finished=$((finished + 1))
    port=$(sed -n "${finished}p" "$log" | grep -o '"port":"[^"]*"' | cut -d'"' -f4)
    rm "$port"
    if [ $plugged -lt $GIMBALS ]; then
      ln -s "${gimbal_paths[$plugged]}" "$work/ports/gimbal$plugged"
      plugged=$((plugged + 1))
    fi
  done
  sleep 0.01
done
end=$(date +%s.%N)

ok=$(grep -c '"status_word":"ok"' "$log" || true)
total=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
floor=$(awk -v n=$GIMBALS -v b="$BLOCKS" -v k=$AT_ONCE 'BEGIN { print n * 3 * (b + 1) * 0.2 / k }')
printf 'units:        %d of %d upgraded (%d blocks each, %d plugged in at a time)\n' \
  "$ok" $GIMBALS $((3 * (BLOCKS + 1))) $AT_ONCE
printf 'total:        %.3f s\n' "$total"
printf 'floor:        %.3f s  (ten upgrades'"'"' pacing divided by three)\n' "$floor"
# Whole rounds: the tenth gimbal waits for a free place as a person would.
rounds=$(awk -v n=$GIMBALS -v b="$BLOCKS" -v k=$AT_ONCE \
  'BEGIN { r = int((n + k - 1) / k); print r * 3 * (b + 1) * 0.2 }')
printf 'ratio:        %.3f\n' "$(awk -v a="$total" -v b="$floor" 'BEGIN { print a / b }')"
printf 'in rounds:    %.3f s  (four rounds of three); ratio %.3f\n' "$rounds" \
  "$(awk -v a="$total" -v b="$rounds" 'BEGIN { print a / b }')"
