#!/bin/sh
# The wine prefix the Windows tests run in, and the wine processes they start.
#
#   wine-prefix.sh WINE64 PREFIX make           makes the prefix, once (wineboot
#                                               takes 20-60 s); later runs reuse it
#   wine-prefix.sh WINE64 PREFIX run CMD ARG... runs CMD in the prefix, then ends
#                                               the prefix's wine processes
#   wine-prefix.sh WINE64 PREFIX end            ends them and fails, naming them,
#                                               when any is left
set -eu
wine64=$1
prefix=$2
action=$3
shift 3
# No desktop menu entries or file types for the user's desktop (winemenubuilder
# writes them in the home's menus and applications folders).
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
# The wine server keeps its folder in TMPDIR after it ends: the prefix's own
# (every wine run of the prefix must name the same one to find its server).
export TMPDIR="$prefix/tmp"
mkdir -p "$TMPDIR"
wineserver="$(dirname "$wine64")/wineserver"

# Wine's processes for this prefix: a program of wine's folder (the wine
# server, the loader of every Windows program such as the prefix's services)
# whose environment names the prefix.
survivors() {
  for exe in /proc/[0-9]*/exe; do
    pid=${exe#/proc/}
    pid=${pid%/exe}
    case $(readlink "$exe" 2> /dev/null) in "$(dirname "$wine64")"/*) ;; *) continue ;; esac
    if tr '\0' '\n' < "/proc/$pid/environ" 2> /dev/null | grep -qxF "WINEPREFIX=$prefix"; then
      echo "$pid $(tr '\0' ' ' < "/proc/$pid/cmdline" 2> /dev/null)"
    fi
  done
}

end_wine() {
  "$wineserver" -k > /dev/null 2>&1 || true  # none running: nothing to end
  for _ in $(seq 50); do
    [ -z "$(survivors)" ] && return 0
    sleep 0.1
  done
  echo "wine processes of $prefix left running:" >&2
  survivors >&2
  return 1
}

case $action in
  make)
    if [ ! -f "$prefix/system.reg" ]; then
      "$wine64" wineboot -i
      "$wineserver" -w  # the registry is written out when the wine server ends
    fi
    end_wine
    test -f "$prefix/system.reg"
    ;;
  run)
    status=0
    "$@" || status=$?
    end_wine
    exit $status
    ;;
  end)
    end_wine
    ;;
esac
