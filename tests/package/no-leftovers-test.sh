#!/usr/bin/env bash
# scripts/no-leftovers.sh, which ends test.sh: a command that leaves a process,
# a file and (where this user may mount FUSE) a served mount behind fails the
# run with each named, and nothing of it is left afterwards; a clean command
# passes, and a failing one keeps its status.
set -uo pipefail
checker=$(cd "$(dirname "$0")/../.." && pwd)/scripts/no-leftovers.sh
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

"$checker" true || fail "a command that leaves nothing fails the run"
"$checker" sh -c 'exit 3'
[ $? -eq 3 ] || fail "the command's own failure status is not kept"

# The process's number is kept outside, to end it should the check miss it.
pid_file=$(mktemp)
end_leftover() {
  local pid
  read -r pid <"$pid_file" || return 0
  if [ "$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" = "sleep 300 " ]; then kill -KILL "$pid"; fi
  rm -f "$pid_file"
}
trap end_leftover EXIT
leaver='touch "$TMPDIR/stray"
setsid sleep 300 </dev/null >/dev/null 2>&1 &
echo $! >'"$pid_file"'
mkdir "$TMPDIR/mnt"
/usr/bin/python3 -c "import sys; from fusepy import FUSE, Operations
FUSE(Operations(), sys.argv[1], foreground=False)" "$TMPDIR/mnt" 2>/dev/null
if mountpoint -q "$TMPDIR/mnt"; then echo mounted; fi'
errors=$(mktemp)
printed=$("$checker" bash -c "$leaver" 2>"$errors")
status=$?
said=$(cat "$errors")
rm -f "$errors"
echo "$said"
[ "$status" -eq 1 ] || fail "leftovers end with status $status, not 1"
grep -q "left behind: process [0-9]*: sleep 300" <<<"$said" || fail "the process is not named"
scratch=$(sed -n 's|.*left behind: file \(.*\)/stray$|\1|p' <<<"$said")
[ -n "$scratch" ] || fail "the file is not named"
if [ "$printed" = mounted ]; then
  grep -qF "left behind: mount $scratch/mnt" <<<"$said" || fail "the mount is not named"
else
  echo "no FUSE mount made here (needs /dev/fuse open to this user, fuse3 and python3-fusepy)"
fi

if [ -n "$scratch" ]; then
  [ ! -e "$scratch" ] || fail "$scratch is still there"
  ! grep -qF " $scratch/" /proc/self/mounts || fail "a mount in $scratch is still there"
  ! grep -lsxzF "GIMBAL_SUITE_RUN=$(basename "$scratch")" /proc/[0-9]*/environ ||
    fail "a process of the command still runs"
fi
exit "$failed"
