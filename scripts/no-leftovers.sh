#!/usr/bin/env bash
# Runs a command (the test suite), then checks that it left nothing of its own
# behind that could outlive it: no process, no mount, no file, and no change
# in the user's own home. The command gets a TMPDIR of its own and a home of
# its own (HOME and the XDG configuration, cache, data and state folders in
# it), and every process it starts inherits GIMBAL_SUITE_RUN, by which any
# still running afterwards is found. Each thing left is named in one line and
# then ended, unmounted or removed; the run then fails (status 1, or the
# command's own status when it failed already).
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

# The user's home as the suite could change it: the names in the folders its
# programs write to (configuration, data and state two levels down, the cache
# one, the trash left out: not so deep that another program's own writing
# meanwhile counts), and every file of this tool's programs with its size and
# time.
user_home=${HOME:-/nonexistent}
user_config=${XDG_CONFIG_HOME:-$user_home/.config} user_cache=${XDG_CACHE_HOME:-$user_home/.cache}
user_data=${XDG_DATA_HOME:-$user_home/.local/share} user_state=${XDG_STATE_HOME:-$user_home/.local/state}
home_listing() {
  local folder
  for folder in "$user_home"/{.config,.cache,.local,.pki,.wine,.pgpass,.psql_history}; do
    [ -e "$folder" ] && echo "$folder"
  done
  {
    find "$user_config" "$user_data" "$user_state" -mindepth 1 -maxdepth 2 ! -path "$user_data/Trash/*"
    find "$user_cache" -mindepth 1 -maxdepth 1
    for folder in "$user_config" "$user_cache" "$user_data" "$user_state"; do
      find "$folder"/gimbalctl "$folder"/gimbal-tool -printf '%p\t%s %T@\n'
    done
  } 2>/dev/null | sort -u
}
home_before=$(home_listing)

home=$scratch/home
mkdir -m 0700 "$home"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
  XDG_DATA_HOME=$home/.local/share XDG_STATE_HOME=$home/.local/state
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

# The runtime folder and the home are the suite's own, given as a login
# session's are, and go with the scratch folder: what a session bus, GLib or
# a browser makes in them is the session's.
while read -r path; do
  say "file $path"
done < <(find "$scratch" -mindepth 1 -maxdepth 1 ! -name runtime ! -name home)
rm -rf --one-file-system "$scratch"

while read -r changed; do
  say "a change in the user's home: $changed"
done < <(diff <(echo "$home_before") <(home_listing) | sed -n 's/^[<>] \(..*\)/\1/p' | cut -f1 | sort -u)

if [ "$status" -ne 0 ]; then exit "$status"; fi
exit "$left"
