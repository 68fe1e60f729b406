#!/usr/bin/env bash
# scripts/no-leftovers.sh, which ends test.sh: a command that leaves a process,
# a file and (where this user may mount FUSE) a served mount behind fails the
# run with each named, and nothing of it is left afterwards; so does one that
# writes into the user's own home. A clean command passes, whatever a session
# bus makes in its runtime folder and whatever it writes in its own home, and
# a failing one keeps its status.
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

# A home standing for the user's, with a station journal in it.
user_home=$(mktemp -d)
mkdir -p "$user_home/.local/state/gimbalctl"
echo '{"journal":"1"}' >"$user_home/.local/state/gimbalctl/units.jsonl"
session='mkdir "$XDG_RUNTIME_DIR/dbus-1" "$XDG_RUNTIME_DIR/dconf" && mkdir -p "$XDG_STATE_HOME/gimbalctl" &&
  echo record >>"$XDG_STATE_HOME/gimbalctl/units.jsonl" && mkdir -p "$HOME/.config/chromium/Crash Reports"'
as_user() { env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME HOME="$user_home" "$@"; }
as_user env -u XDG_RUNTIME_DIR "$checker" sh -c "$session" ||
  fail "a session bus's folder or the command's own home fails the run"
said=$(as_user "$checker" sh -c 'echo record >>"$0"; mkdir "$1"' \
  "$user_home/.local/state/gimbalctl/units.jsonl" "$user_home/.config" 2>&1)
[ $? -eq 1 ] || fail "writing into the user's home passes"
for changed in .local/state/gimbalctl/units.jsonl .config; do
  grep -qxF "no-leftovers.sh: left behind: a change in the user's home: $user_home/$changed" <<<"$said" ||
    fail "the change of $changed is not named: $said"
done
rm -rf "$user_home"

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
