#!/usr/bin/env bash
# Makes the Debian package from an already built tree, has lintian judge it,
# checks what it holds and what it depends on, its manual pages (one per
# program and per gimbalctl command, each rendered by man, naming only options
# that exist), documentation and hardened programs, validates its desktop entry and metainfo, and runs the
# unpacked programs: gimbal-tool answers --version with no display and its
# window carries the menu entry's class and an icon, and gimbal-sim answers a
# gyroscope request on its pseudo-terminal.
# usage: check-package.sh CPACK BUILD_DIR VERSION APP_ID PROGRAM...
set -euo pipefail
cpack=$1 build=$2 version=$3 app_id=$4
shift 4
programs=()
for p in "$@"; do [ -n "$p" ] && programs+=("$p"); done

# A scratch folder of its own, so nothing else in the build tree is touched.
scratch=$build/package-check
rm -rf "$scratch"
mkdir -p "$scratch/tmp"
# lintian leaves a file in TMPDIR and the window makes its runtime folder there
# when XDG_RUNTIME_DIR is unset: both stay in this folder.
export TMPDIR=$scratch/tmp
sim_pid=""
cleanup() { if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# cpack installs from the tree as it is; it does not build.
if ! (cd "$build" && "$cpack" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1); then
  cat "$scratch/cpack.log" >&2
  fail "cpack -G DEB"
fi
deb=$scratch/gimbal-tool_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb; made: $(ls "$scratch")"
echo "package: $deb"

# Errors and warnings fail; pedantic and informational tags are only shown.
command -v lintian >/dev/null || fail "lintian is missing (scripts/setup-deps.sh installs it)"
lintian --pedantic --display-info "$deb" >"$scratch/lintian.log" 2>&1 || true
cat "$scratch/lintian.log"
if grep -qE '^(E|W): ' "$scratch/lintian.log"; then fail "lintian reports errors or warnings"; fi

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
  ./usr/share/applications/"$app_id".desktop
  ./usr/share/metainfo/"$app_id".metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/"$app_id".svg
  ./usr/share/icons/hicolor/128x128/apps/"$app_id".png
  ./usr/share/doc/gimbal-tool/copyright
  ./usr/share/doc/gimbal-tool/changelog.gz
  ./usr/share/doc/gimbal-tool/README.md.gz
  ./usr/share/gimbal-tool/units-schema.sql
)
for p in "${programs[@]}"; do expected+=("./usr/bin/$p" "./usr/share/man/man1/$p.1.gz"); done
for language in de zh_CN; do
  expected+=("./usr/share/gimbal-tool/translations/gimbal-tool_$language.qm"
             "./usr/share/locale/$language/LC_MESSAGES/gimbalctl.mo")
done
for f in "${expected[@]}"; do
  grep -qxF "$f" <<<"$listing" || fail "the package lacks $f"
done

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Computed from the binaries, plus the Qt platform plugins that nothing links.
names=$(sed 's/ ([^)]*)//g; s/, /\n/g' <<<"$depends")
for dep in libqt6widgets6 libudev1 libpq5 libstdc++6 qt6-qpa-plugins; do
  grep -qxF "$dep" <<<"$names" || fail "Depends lacks $dep"
done

# The station's screen links Debian's cpp-httplib, a shared library (its name carries its version).
grep -q '^libcpp-httplib' <<<"$names" || fail "Depends lacks libcpp-httplib"

dpkg-deb -f "$deb" Recommends | grep -qw qt6-wayland || fail "Recommends lacks qt6-wayland"
dpkg-deb -f "$deb" Recommends | grep -qw fonts-noto-cjk || fail "Recommends lacks fonts-noto-cjk"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
zcat "$root/usr/share/doc/gimbal-tool/changelog.gz" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's latest entry is not version $version"
for p in "${programs[@]}"; do
  man -l "$root/usr/share/man/man1/$p.1.gz" 2>&1 | grep -q -- "--version" ||
    fail "the manual page of $p does not render its options"
  # Relocations read-only and bound at start, stack protector, fortified calls.
  readelf -d "$root/usr/bin/$p" | grep -q BIND_NOW || fail "$p is not linked with -z now"
  readelf -lW "$root/usr/bin/$p" | grep -q GNU_RELRO || fail "$p is not linked with -z relro"
  symbols=$(readelf --dyn-syms -W "$root/usr/bin/$p")
  grep -q __stack_chk_fail <<<"$symbols" || fail "$p has no stack protector"
  grep -qE '__[a-z]+_chk@' <<<"$symbols" || fail "$p has no fortified calls"
done

# Every page renders without a warning, with the sections a reader looks for,
# and names no option its program or command does not have.
options_of() { sed 's/\\-/-/g; s/\\f[BIRP]//g' | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }
check_page() { # PAGE SECTION... ; the program's --help is on standard input
  local page=$root/usr/share/man/man1/$1.1.gz
  shift
  local known rendered named
  known=$(options_of)
  rendered=$(MANWIDTH=80 man --warnings -l "$page" 2>"$scratch/man.err") || fail "man -l $page"
  [ ! -s "$scratch/man.err" ] || fail "man -l $page warns: $(cat "$scratch/man.err")"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "$@"; do
    grep -qx "$section" <<<"$rendered" || fail "$page has no $section section"
  done
  # An option's entry holds the option alone on its first line: a description run
  # into it (one space after the option in --help) starts there with a sentence's word.
  local joined
  joined=$(sed -n '/^OPTIONS$/,/^[A-Z]/p' <<<"$rendered" | grep -E '^ {7}-.* [A-Z][a-z]+( |$)' || true)
  [ -z "$joined" ] || fail "$page runs an option into its description: $joined"
  named=$(zcat "$page" | options_of | comm -23 - <(echo "$known"))
  [ -z "$named" ] || fail "$page names options that do not exist: $named"
}
commands=$("$root/usr/bin/gimbalctl" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^$/ { exit } on { print $1 }')
[ -n "$commands" ] || fail "gimbalctl --help lists no commands"
"$root/usr/bin/gimbalctl" --help | check_page gimbalctl "EXIT STATUS" ENVIRONMENT FILES "SEE ALSO"
for command in $commands; do
  grep -qxF "./usr/share/man/man1/gimbalctl-$command.1.gz" <<<"$listing" ||
    fail "the package lacks the manual page of gimbalctl $command"
  "$root/usr/bin/gimbalctl" "$command" --help |
    check_page "gimbalctl-$command" "EXIT STATUS" ENVIRONMENT FILES "SEE ALSO"
done
"$root/usr/bin/gimbal-sim" --help | check_page gimbal-sim
# gimbal-sim's usage forms are its synopsis, not the start of its description.
MANWIDTH=80 man -l "$root/usr/share/man/man1/gimbal-sim.1.gz" | sed -n '/^SYNOPSIS$/,/^DESCRIPTION$/p' |
  grep -q "gimbal-sim --write-example DIR" || fail "gimbal-sim's synopsis lacks its usage forms"
! MANWIDTH=80 man -l "$root/usr/share/man/man1/gimbal-sim.1.gz" | grep -qE "Usage|^ +or:" ||
  fail "gimbal-sim's usage lines run into its description"
echo "manual pages: gimbalctl, $(echo $commands | sed 's/\(\w*\)/gimbalctl-\1/g'), gimbal-sim"

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "metainfo"
grep -qx "Icon=$app_id" "$root/usr/share/applications/$app_id.desktop" || fail "Icon= is not $app_id"
grep -qx "Exec=gimbal-tool" "$root/usr/share/applications/$app_id.desktop" || fail "Exec= is not gimbal-tool"

answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/gimbal-tool" --version)
[ "$answer" = "gimbal-tool $version" ] || fail "gimbal-tool --version said: $answer"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/gimbal-tool" --help |
  grep -q "^Usage: gimbal-tool" || fail "gimbal-tool --help"
[ "$("$root/usr/bin/gimbal-sim" --version)" = "gimbal-sim $version" ] || fail "gimbal-sim --version"
# The programs find their catalogues where the package puts them.
LANGUAGE= LC_ALL= LANG=de_DE.UTF-8 "$root/usr/bin/gimbalctl" --help | grep -q "^Aufruf:" ||
  fail "gimbalctl does not find its German catalogue"
LANGUAGE= LC_ALL= LANG=zh_CN.UTF-8 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  "$root/usr/bin/gimbal-tool" --help | grep -q "^用法" || fail "gimbal-tool does not find its Chinese catalogue"

# On X11 the dock matches the window to the menu entry by its class.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$app_id.desktop")
QT_QPA_PLATFORM=xcb xvfb-run -a bash -c '
  "$1" >/dev/null 2>&1 & pid=$!
  for _ in $(seq 100); do
    xprop -name "Gimbal Service Tool" WM_CLASS 2>/dev/null | grep -q "= " && break
    sleep 0.1
  done
  xprop -name "Gimbal Service Tool" WM_CLASS
  xprop -len 16 -name "Gimbal Service Tool" _NET_WM_ICON
  kill $pid' _ "$root/usr/bin/gimbal-tool" >"$scratch/xprop.out" 2>&1 || true
cat "$scratch/xprop.out"
grep -q "^WM_CLASS(STRING) = .*, \"$wm_class\"\$" "$scratch/xprop.out" ||
  fail "the window's class is not the menu entry's StartupWMClass ($wm_class)"
grep -q "^_NET_WM_ICON(CARDINAL) = " "$scratch/xprop.out" || fail "the window has no icon"

"$root/usr/bin/gimbal-sim" >"$scratch/sim.out" 2>"$scratch/sim.err" &
sim_pid=$!
pty=""
for _ in $(seq 100); do
  if [ -s "$scratch/sim.out" ]; then pty=$(head -n 1 "$scratch/sim.out"); break; fi
  sleep 0.05
done
[ -n "$pty" ] || fail "gimbal-sim printed no path: $(cat "$scratch/sim.err")"
exec 3<>"$pty"
printf '\xAA\x55\x06\x00\x01\x40\x47\xFF' >&3
reply=$(timeout 5 head -c 14 <&3 | od -An -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
exec 3>&-
[ "$reply" = "aa 55 0c 00 01 40 03 00 fe ff 01 00 4e ff" ] || fail "gimbal-sim replied: $reply"
echo "gimbal-sim on $pty replied: $reply"
echo "package checks passed"
