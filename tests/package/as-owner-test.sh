#!/usr/bin/env bash
# scripts/as-owner.sh, run as root in a checkout owned by a user with no
# passwd entry, whose build/ an older run left to root: the command runs as
# that user, build/ is handed back, and root's runtime folder is not passed on.
# Skipped (77) unless run as root.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "needs root: as-owner.sh acts only when run as root"; exit 77; }
uid=4242
while getent passwd "$uid" >/dev/null; do uid=$((uid + 1)); done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/scripts" "$scratch/build/old"
cp "$(dirname "$0")/../../scripts/as-owner.sh" "$scratch/scripts/"
chown -R "$uid:$uid" "$scratch"
touch "$scratch/build/old/from-root"
seen=$(XDG_RUNTIME_DIR=/run/user/0 "$scratch/scripts/as-owner.sh" \
  sh -c 'touch build/new; echo "$(id -u) ${XDG_RUNTIME_DIR-none} $HOME"' 2>/dev/null) || true
expected="$uid none $scratch/build/home"
[ "$seen" = "$expected" ] || { echo "ran as '$seen', expected '$expected'"; exit 1; }
left=$(find "$scratch" ! -uid "$uid")
[ -z "$left" ] || { echo "not the owner's: $left"; exit 1; }
echo "ran as $uid with its own HOME, no runtime folder, build/ handed back"
