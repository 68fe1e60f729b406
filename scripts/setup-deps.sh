#!/usr/bin/env bash
# Installs the Debian packages the project needs, by purpose:
#   setup-deps.sh run       building and running the window, gimbalctl and gimbal-sim,
#                           with their manual pages and translations (run.sh)
#   setup-deps.sh package   that, and making the Debian package and gimbalctl's
#                           Windows zip and installer (the README's Install)
#   setup-deps.sh web       that, and building the web page (run-web.sh)
#   setup-deps.sh           all of them and the test toolchain (test.sh)
#   setup-deps.sh --list [SET]   prints a set's packages, one a line; installs nothing
# Idempotent: when everything is already present it changes nothing. Only
# apt-get (and, for the tests, localedef) runs as root, through sudo when the
# caller is not root. tools/measure-setup-sets.py prints what each set costs.
set -euo pipefail

# Building and running the window, gimbalctl and gimbal-sim, with manual pages
# and translations (lrelease, msgfmt, and a font that shows Chinese).
RUN_PACKAGES=(
  build-essential
  cmake
  ninja-build
  pkg-config
  qt6-base-dev
  qt6-base-dev-tools
  qt6-qpa-plugins
  qt6-wayland
  libgl1-mesa-dev
  libudev-dev
  libsystemd-dev
  libcli11-dev
  nlohmann-json3-dev
  libssl-dev
  help2man
  libpq-dev
  libcpp-httplib-dev
  libcurl4-openssl-dev
  qt6-l10n-tools
  gettext
  fonts-noto-cjk
)

# The Debian package (cpack: dpkg-shlibdeps, file) and gimbalctl.exe with its
# installer, cross-built by mingw-w64 with the core's tests (GoogleTest's sources).
PACKAGE_PACKAGES=(
  dpkg-dev
  file
  g++-mingw-w64-x86-64-posix
  nsis
  googletest
)

# The web page: the core built by Emscripten, which comes with the test build
# (configuring that needs GoogleTest).
WEB_PACKAGES=(
  emscripten
  nodejs
  libgtest-dev
  libgmock-dev
)

# The test toolchain: the tests, benchmarks and package checks, and the
# fuzzing build; the Windows and WebAssembly builds come from the sets above.
TEST_PACKAGES=(
  dbus-daemon
  libbenchmark-dev
  xvfb
  xauth
  x11-utils
  desktop-file-utils
  appstream
  lintian
  man-db
  libxcb1-dev
  clang
  libclang-rt-14-dev
  locales
  fuse3
  python3-fusepy
  chromium
  chromium-driver
  python3-selenium
  python3-websockets
  wine64
  postgresql
  signify-openbsd
)

# The texts built from numbers are checked under a comma-decimal locale, and
# the translations under the German and the Chinese one.
TEST_LOCALES=(de_DE.UTF-8 zh_CN.UTF-8)

usage() {
  echo "Usage: $0 [--list] [run|package|web]   (no set: everything, for the tests)" >&2
  exit 2
}

list=false
if [ "${1:-}" = --list ]; then list=true; shift; fi
[ $# -le 1 ] || usage
set=${1:-all}
case "$set" in
  run) wanted=("${RUN_PACKAGES[@]}") ;;
  package) wanted=("${RUN_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}") ;;
  web) wanted=("${RUN_PACKAGES[@]}" "${WEB_PACKAGES[@]}") ;;
  all) wanted=("${RUN_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" "${WEB_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *) usage ;;
esac
if $list; then
  printf '%s\n' "${wanted[@]}"
  exit 0
fi

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
missing_locales=()
if [ "$set" = all ]; then
  for wanted_locale in "${TEST_LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qix "${wanted_locale/UTF-8/utf8}" || missing_locales+=("$wanted_locale")
  done
fi
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ]; then exit 0; fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Installing needs root: run $0 as root (su -c), or install sudo first." >&2
    exit 1
  fi
  as_root=(sudo)
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends "${missing[@]}"
fi
for wanted_locale in "${missing_locales[@]}"; do
  echo "Generating the $wanted_locale locale"
  "${as_root[@]}" localedef -i "${wanted_locale%%.*}" -f UTF-8 "$wanted_locale"
done
