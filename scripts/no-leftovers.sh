#!/usr/bin/env bash
# Runs a command (the test suite), then checks that it left nothing of its own
# behind: no process, no mount, no file. The command gets a TMPDIR of its own,
# and every process it starts inherits GIMBAL_SUITE_RUN, by which any still
# running afterwards is found. Each thing left is named in one line and then
# ended, unmounted or removed; the run then fails (status 1, or the command's
# own status when it failed already).
#   no-leftovers.sh COMMAND [ARG ...]
set -uo pipefail
scratch=$(mktemp -d "${TMPDIR:-/tmp}/gimbal-suite-XXXXXX") || exit 1
chmod 1777 "$scratch" # like /tmp: a test server run as nobody makes its folder here
mark=$(basename "$scratch")
# Qt makes TMPDIR/runtime-USER when there is no runtime folder: the suite gets one.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  mkdir -m 0700 "$scratch/runtime"
  export XDG_RUNTIME_DIR=$scratch/runtime
fi
GIMBAL_SUITE_RUN=$mark TMPDIR=$scratch "$@"
status=$?

left=0
say() {
  echo "no-leftovers.sh: left behind: $*" >&2
  left=1
}

# Processes carrying the mark; a server that is shutting down gets 10 s.
marked() { grep -lsxzF "GIMBAL_SUITE_RUN=$mark" /proc/[0-9]*/environ | cut -d/ -f3; }
for _ in $(seq 50); do
  [ -z "$(marked)" ] && break
  sleep 0.2
done
for pid in $(marked); do
  say "process $pid: $(tr '\0\n' '  ' <"/proc/$pid/cmdline" 2>/dev/null)"
  kill -KILL "$pid" 2>/dev/null
done

# Mounts inside the scratch folder (the deepest first), undone as their
# mounter may: fusermount3 for a user's FUSE mount, else umount.
while read -r point; do
  say "mount $point"
  fusermount3 -u -z "$point" 2>/dev/null || umount -l "$point" 2>/dev/null
done < <(awk -v top="$scratch/" 'index($2, top) == 1 { print $2 }' /proc/self/mounts | sort -r)

while read -r path; do
  say "file $path"
# The runtime folder is the suite's own, given as a login session's is: the
# dconf folder any GLib program (Chromium) makes in it is the session's too.
done < <(find "$scratch" -mindepth 1 -maxdepth 1 ! -name runtime
  find "$scratch/runtime" -mindepth 1 -maxdepth 1 ! -name dconf 2>/dev/null)
rm -rf --one-file-system "$scratch"

if [ "$status" -ne 0 ]; then exit "$status"; fi
exit "$left"
