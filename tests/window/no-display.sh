#!/bin/sh
# gimbal-tool with no display it can reach: with none named, with a Wayland
# display that does not answer (and no Wayland plugin, or X, to fall back on),
# and with an X display that does not answer. Each time it must say where to
# run it, in one line, and exit with status 1, never with Qt's abort (134).
#   no-display.sh GIMBAL_TOOL
tool=$1
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
failed=0
for display in "" "WAYLAND_DISPLAY=gimbal-test-none" "DISPLAY=:93"; do
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$runtime" \
    $display "$tool" 2>&1)
  status=$?
  if [ "$status" -ne 1 ] || ! printf '%s\n' "$output" | grep -q "no display found.*ssh -X.*web page" ||
     printf '%s\n' "$output" | grep -q "xvfb-run"; then
    echo "FAIL: with '${display:-no display}' the tool exited $status and said: $output"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "the tool says where to run it, status 1, in all three cases"
exit "$failed"
