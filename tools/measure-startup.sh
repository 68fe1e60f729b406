#!/usr/bin/env bash
# Prints how long the tool takes from start to its main window being mapped,
# and its resident memory once idle, side by side with two floors: a bare Qt
# main window (the floor for any Qt Widgets program) and the same window
# showing one label (the floor for a program that shows text), with the
# ratios of the medians. The map is timed from the X server's MapNotify event
# by window-map-timer, so the measuring adds nothing to either program.
# Runs alternate between the three programs. Needs an X display; without one
# it re-runs itself under xvfb-run.
#
#   tools/measure-startup.sh [path/to/gimbal-tool] [runs]
set -euo pipefail

TOOL=${1:-"$(dirname "$0")/../build/gimbal-tool"}
RUNS=${2:-7}
BUILD=$(dirname "$TOOL")
IDLE_SECONDS=2

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$TOOL" "$RUNS"
fi
if [ ! -x "$TOOL" ]; then
  echo "measure-startup: no tool at $TOOL (build it first)" >&2
  exit 1
fi
cmake --build "$BUILD" --target bare-qt-window window-map-timer > /dev/null

# measure PROGRAM [ARG...]: prints "<ms to window mapped> <idle RSS in KiB>".
measure() { QT_QPA_PLATFORM=xcb "$BUILD/window-map-timer" "$IDLE_SECONDS" "$@"; }

tool_ms=() tool_rss=() bare_ms=() bare_rss=() label_ms=() label_rss=()
for run in $(seq "$RUNS"); do
  read -r ms rss < <(measure "$TOOL")
  tool_ms+=("$ms") tool_rss+=("$rss")
  read -r ms rss < <(measure "$BUILD/bare-qt-window")
  bare_ms+=("$ms") bare_rss+=("$rss")
  read -r ms rss < <(measure "$BUILD/bare-qt-window" --label)
  label_ms+=("$ms") label_rss+=("$rss")
  echo "run $run: tool ${tool_ms[-1]} ms, ${tool_rss[-1]} KiB;" \
    "bare window ${bare_ms[-1]} ms, ${bare_rss[-1]} KiB;" \
    "one-label window ${label_ms[-1]} ms, ${label_rss[-1]} KiB"
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
tm=$(median "${tool_ms[@]}") bm=$(median "${bare_ms[@]}") lm=$(median "${label_ms[@]}")
tr=$(median "${tool_rss[@]}") br=$(median "${bare_rss[@]}") lr=$(median "${label_rss[@]}")
mib() { awk -v k="$1" 'BEGIN {printf "%.1f MiB", k / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
echo "medians of $RUNS runs:"
echo "start-up to window mapped: tool $tm ms, bare window $bm ms, one-label window $lm ms;" \
  "ratios $(ratio "$tm" "$bm") to bare, $(ratio "$tm" "$lm") to one-label"
echo "resident memory at idle:   tool $(mib "$tr"), bare window $(mib "$br")," \
  "one-label window $(mib "$lr"); ratios $(ratio "$tr" "$br") to bare, $(ratio "$tr" "$lr") to one-label"
