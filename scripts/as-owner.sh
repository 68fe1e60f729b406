#!/usr/bin/env bash
# Runs a command, from the top of this checkout, as the checkout's owner.
# Started as root (through sudo or su) in a checkout a user owns, the build
# and the window are that user's: build/ stays theirs (one an older run left
# to root is handed back first, and said so) and the window does not run as
# root. The owner needs no entry in /etc/passwd (a container's numeric user):
# then it runs with the checkout's group and no others, its HOME in build/.
# It gets its own runtime folder and session bus when it has them, else none:
# never root's. In a checkout root owns (as CI's), the command runs as root.
set -euo pipefail
cd "$(dirname "$0")/.."
uid=$(stat -c %u .)
if [ "$(id -u)" -ne 0 ] || [ "$uid" -eq 0 ]; then exec "$@"; fi

if entry=$(getent passwd "$uid"); then
  IFS=: read -r name _ _ gid _ home _ <<<"$entry"
  groups=--init-groups
else
  name=$uid gid=$(stat -c %g .) home=$PWD/build/home
  groups=--clear-groups
fi
as_owner=(setpriv --reuid="$uid" --regid="$gid" "$groups")

if [ -d build ] && [ -n "$(find build ! -uid "$uid" -print -quit)" ]; then
  echo "as-owner.sh: build/ holds files of another user (an older run as root): handing it back to user $name" >&2
  chown -R "$uid:$gid" build
fi
if [ "$groups" = --clear-groups ]; then "${as_owner[@]}" mkdir -p "$home"; fi

export HOME=$home USER=$name LOGNAME=$name
unset XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS
runtime=/run/user/$uid
if [ -d "$runtime" ] && [ "$(stat -c %u "$runtime")" = "$uid" ]; then
  export XDG_RUNTIME_DIR=$runtime
  if [ -S "$runtime/bus" ]; then export DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/bus; fi
fi
exec "${as_owner[@]}" "$@"
