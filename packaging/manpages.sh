#!/usr/bin/env bash
# Makes a program's manual pages with help2man, compressed as Debian installs
# them: PROGRAM.1.gz from its --help, and for each command its --help lists
# under "Subcommands:" PROGRAM-COMMAND.1.gz from `PROGRAM COMMAND --help`, so
# that a new command gets its page by itself. Each page takes the sections
# --help has no room for from packaging/PAGE.h2m and, for every page of the
# program, packaging/PROGRAM-common.h2m, where they exist; SEE ALSO names
# the program's other pages and the other programs given.
#   manpages.sh HELP2MAN PROGRAM_PATH "SUMMARY" OUT_DIR [OTHER_PROGRAM ...]
set -euo pipefail
help2man=$1 program_path=$2 summary=$3 out=$4
shift 4
others=("$@")
here=$(cd "$(dirname "$0")" && pwd)
program=$(basename "$program_path")
export LC_ALL=C LANGUAGE=en # the pages are English, as --help is without a translation
mkdir -p "$out"
rm -f "$out/$program".1.gz "$out/$program"-*.1.gz

# The commands and their one-line descriptions, as --help lists them.
commands=$("$program_path" --help | awk '/^Subcommands:$/ { on = 1; next }
                                          on && /^$/ { exit }
                                          on { print }')
version=$("$program_path" --version | head -n 1 | awk '{ print $NF }')
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# page NAME SUMMARY "PAGE ..." [HELP2MAN OPTION ...]: SEE ALSO names the pages given.
page() {
  local name=$1 about=$2 refer
  read -ra refer <<<"$3"
  shift 3
  {
    echo "[SEE ALSO]"
    for ((i = 0; i < ${#refer[@]}; i++)); do
      echo ".BR ${refer[i]} (1)$([ $((i + 1)) -lt ${#refer[@]} ] && echo ,)"
    done
  } >"$scratch/$name.h2m"
  "$help2man" --no-info --section=1 --name="$about" \
    --opt-include="$here/$program-common.h2m" --opt-include="$here/$name.h2m" \
    --include="$scratch/$name.h2m" --output="$out/$name.1" "$@" "$program_path"
  # The statuses --help ends with are the page's EXIT STATUS section.
  sed -i 's/^\.SS "Exit status:"$/.SH "EXIT STATUS"/' "$out/$name.1"
  gzip -9nf "$out/$name.1"
}

pages=$(awk -v p="$program" 'NF { printf "%s-%s ", p, $1 }' <<<"$commands")
page "$program" "$summary" "$pages${others[*]}"
while read -r command about; do
  [ -n "$command" ] || continue
  page "$program-$command" "${about,}" "$program" \
    --help-option="$command --help" --version-string="$program-$command $version"
done <<<"$commands"
