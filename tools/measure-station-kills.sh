#!/usr/bin/env bash
# How long a station killed outright stops the line. Three simulated gimbals
# are upgraded by one station once undisturbed (the clean time), then again
# while the station is killed with SIGKILL at KILLS random instants (seeded)
# and started again at once each time, until every gimbal's last record is a
# success. A gimbal whose upgrade was cut restarts in its boot loader
# (gimbal-sim does that when the tool stops answering for 2 s) and is rescued
# by the next start. Prints the time with kills, the clean time, and the line
# stopped in all: the difference.
#
#   tools/measure-station-kills.sh [build dir] [kills] [seed]
set -euo pipefail
export LC_ALL=C  # decimal points in the figures

BUILD=${1:-"$(dirname "$0")/../build"}
KILLS=${2:-20}
SEED=${3:-46}
GIMBALS=3

work=$(mktemp -d)
sims=()
station=""
cleanup() {
  [ -n "$station" ] && kill -9 "$station" 2> /dev/null || true
  for pid in "${sims[@]}"; do kill "$pid" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

file="$work/measure.3plov"
"$(dirname "$0")/write-test-firmware.sh" 2 "$file"
. "$(dirname "$0")/simulated-gimbals.sh"
start_gimbals $GIMBALS "$work"
mkdir "$work/ports"
for k in $(seq 0 $((GIMBALS - 1))); do ln -s "${gimbal_paths[$k]}" "$work/ports/gimbal$k"; done

now() { date +%s.%N; }
start_station() {
  "$BUILD/gimbalctl" station --ports-from "$work/ports" --log "$1" "$file" > /dev/null 2>&1 &
  station=$!
}
# Waits until the log holds a successful record for every gimbal after line $2.
wait_done() {
  local log=$1 after=$2
  while :; do
    local done=0 k
    for k in $(seq 0 $((GIMBALS - 1))); do
      tail -n +"$((after + 1))" "$log" 2> /dev/null | grep "/gimbal$k\"" | tail -n 1 |
        grep -q '"status":0,' && done=$((done + 1))
    done
    [ $done -eq $GIMBALS ] && return
    sleep 0.05
  done
}
lines() { [ -e "$1" ] && wc -l < "$1" || echo 0; }

# Undisturbed.
clean_log="$work/clean.jsonl"
t0=$(now)
start_station "$clean_log"
wait_done "$clean_log" 0
clean=$(awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }')
kill -9 "$station"; wait "$station" 2> /dev/null || true; station=""
sleep 3  # the gimbals settle (the killed station answered nothing more)

# Killed at random instants within the time one clean run takes.
log="$work/units.jsonl"
instants=$(awk -v n="$KILLS" -v s="$SEED" -v c="$clean" \
  'BEGIN { srand(s); for (k = 0; k < n; ++k) printf "%.3f\n", rand() * c }')
t0=$(now)
for instant in $instants; do
  start_station "$log"
  sleep "$instant"
  kill -9 "$station"; wait "$station" 2> /dev/null || true; station=""
done
before=$(lines "$log")
start_station "$log"
wait_done "$log" "$before"
total=$(awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }')
rescued=$(grep -c '"boot_loader":true' "$log" || true)

printf 'kills:         %d (seed %d), %d gimbals\n' "$KILLS" "$SEED" $GIMBALS
printf 'with kills:    %.3f s until every gimbal'"'"'s last record is a success\n' "$total"
printf 'clean:         %.3f s\n' "$clean"
printf 'line stopped:  %.3f s in all (%.3f s a kill)\n' \
  "$(awk -v a="$total" -v b="$clean" 'BEGIN { print a - b }')" \
  "$(awk -v a="$total" -v b="$clean" -v n="$KILLS" 'BEGIN { print (a - b) / (n ? n : 1) }')"
printf 'records:       %d, %d of them of a gimbal found in its boot loader\n' "$(lines "$log")" "$rescued"
