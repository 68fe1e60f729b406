#!/usr/bin/env bash
# Prints how long the tool takes from start to its main window being shown,
# and its resident memory once idle. Needs an X display; without one it
# re-runs itself under xvfb-run.
#
#   tools/measure-startup.sh [path/to/gimbal-tool] [runs]
set -euo pipefail

TOOL=${1:-"$(dirname "$0")/../build/gimbal-tool"}
RUNS=${2:-5}
TITLE="Gimbal Service Tool"
IDLE_SECONDS=2

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$TOOL" "$RUNS"
fi
if ! command -v xwininfo > /dev/null; then
  echo "measure-startup: xwininfo is missing (apt-get install x11-utils)" >&2
  exit 1
fi
if [ ! -x "$TOOL" ]; then
  echo "measure-startup: no tool at $TOOL (build it first)" >&2
  exit 1
fi

now_ns() { date +%s%N; }

# True once a window with the tool's title is mapped and viewable.
window_shown() {
  xwininfo -root -tree 2> /dev/null | grep -q "\"$TITLE\"" || return 1
  xwininfo -name "$TITLE" 2> /dev/null | grep -q "IsViewable"
}

startups=()
rss_kib=()
for run in $(seq "$RUNS"); do
  start=$(now_ns)
  QT_QPA_PLATFORM=xcb "$TOOL" > /dev/null 2>&1 &
  pid=$!
  until window_shown; do
    if ! kill -0 "$pid" 2> /dev/null; then
      echo "measure-startup: the tool ended before showing its window" >&2
      exit 1
    fi
    sleep 0.002
  done
  shown=$(now_ns)
  sleep "$IDLE_SECONDS"
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2> /dev/null || true
  startups+=($(((shown - start) / 1000000)))
  rss_kib+=("$rss")
  echo "run $run: window shown after ${startups[-1]} ms, idle RSS $((rss / 1024)) MiB ($rss KiB)"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
echo "start-up to window shown: median $(median "${startups[@]}") ms over $RUNS runs"
echo "resident memory at idle: median $(($(median "${rss_kib[@]}") / 1024)) MiB"
