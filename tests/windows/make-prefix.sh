#!/bin/sh
# Makes the wine prefix the Windows tests run in, once (wineboot takes 20-60 s);
# later runs find it made and reuse it.
set -eu
wine64=$1
prefix=$2
if [ ! -f "$prefix/system.reg" ]; then
  WINEPREFIX="$prefix" WINEDEBUG=-all "$wine64" wineboot -i
  # The registry is written out when the wine server ends.
  WINEPREFIX="$prefix" "$(dirname "$wine64")/wineserver" -w
fi
test -f "$prefix/system.reg"
