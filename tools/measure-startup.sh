#!/usr/bin/env bash
# Prints how long the tool takes from start to its main window being shown,
# and its resident memory once idle, side by side with a bare Qt main window
# (the floor for any Qt Widgets program), and the ratios of the two medians.
# Runs alternate between the two programs. Needs an X display; without one it
# re-runs itself under xvfb-run.
#
#   tools/measure-startup.sh [path/to/gimbal-tool] [runs]
set -euo pipefail

TOOL=${1:-"$(dirname "$0")/../build/gimbal-tool"}
RUNS=${2:-7}
BUILD=$(dirname "$TOOL")
BARE="$BUILD/bare-qt-window"
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
if [ ! -x "$BARE" ]; then
  cmake --build "$BUILD" --target bare-qt-window > /dev/null
fi

now_ns() { date +%s%N; }

# True once a window with this title is mapped and viewable.
window_shown() {
  xwininfo -root -tree 2> /dev/null | grep -q "\"$1\"" || return 1
  xwininfo -name "$1" 2> /dev/null | grep -q "IsViewable"
}

# measure PROGRAM TITLE: prints "<ms to window shown> <idle RSS in KiB>".
measure() {
  local start shown pid rss
  start=$(now_ns)
  QT_QPA_PLATFORM=xcb "$1" > /dev/null 2>&1 &
  pid=$!
  until window_shown "$2"; do
    if ! kill -0 "$pid" 2> /dev/null; then
      echo "measure-startup: $1 ended before showing its window" >&2
      exit 1
    fi
    sleep 0.002
  done
  shown=$(now_ns)
  sleep "$IDLE_SECONDS"
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2> /dev/null || true
  echo "$(((shown - start) / 1000000)) $rss"
}

tool_ms=() tool_rss=() bare_ms=() bare_rss=()
for run in $(seq "$RUNS"); do
  read -r ms rss < <(measure "$TOOL" "Gimbal Service Tool")
  tool_ms+=("$ms") tool_rss+=("$rss")
  read -r ms rss < <(measure "$BARE" "Bare Qt Window")
  bare_ms+=("$ms") bare_rss+=("$rss")
  echo "run $run: tool ${tool_ms[-1]} ms, ${tool_rss[-1]} KiB; bare window ${bare_ms[-1]} ms, ${bare_rss[-1]} KiB"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
tm=$(median "${tool_ms[@]}") bm=$(median "${bare_ms[@]}")
tr=$(median "${tool_rss[@]}") br=$(median "${bare_rss[@]}")
mib() { awk -v k="$1" 'BEGIN {printf "%.1f MiB", k / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
echo "medians of $RUNS runs:"
echo "start-up to window shown: tool $tm ms, bare Qt window $bm ms, ratio $(ratio "$tm" "$bm")"
echo "resident memory at idle:  tool $(mib "$tr"), bare Qt window $(mib "$br"), ratio $(ratio "$tr" "$br")"
