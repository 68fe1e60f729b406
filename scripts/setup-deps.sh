#!/usr/bin/env bash
# Installs the Debian packages the project needs:
#   setup-deps.sh run   what building and running the window needs (run.sh)
#   setup-deps.sh       that and the whole test toolchain (test.sh)
# Idempotent: when everything is already present it changes nothing. Only
# apt-get (and, for the tests, localedef) runs as root, through sudo when the
# caller is not root.
set -euo pipefail

# Building and running the window, gimbalctl and gimbal-sim.
RUN_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-wayland libgl1-mesa-dev
  libudev-dev libsystemd-dev
  libcli11-dev nlohmann-json3-dev libssl-dev libcpp-httplib-dev
)

# The test toolchain: the tests, benchmarks and package checks, and the
# WebAssembly, Windows and fuzzing builds they run.
PACKAGES=(
  dbus-daemon
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils
  desktop-file-utils appstream dpkg-dev file lintian help2man man-db libxcb1-dev
  clang libclang-rt-14-dev locales
  fuse3 python3-fusepy
  emscripten nodejs
  chromium chromium-driver python3-selenium python3-websockets
  g++-mingw-w64-x86-64-posix wine64 nsis
)

# The texts built from numbers are checked under a comma-decimal locale.
TEST_LOCALE=de_DE.UTF-8

set=${1:-test}
case "$set" in
  run) wanted=("${RUN_PACKAGES[@]}") ;;
  test) wanted=("${RUN_PACKAGES[@]}" "${PACKAGES[@]}") ;;
  *) echo "Usage: $0 [run|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
need_locale=false
if [ "$set" = test ] && ! locale -a 2>/dev/null | grep -qix "${TEST_LOCALE/UTF-8/utf8}"; then
  need_locale=true
fi
if [ ${#missing[@]} -eq 0 ] && ! $need_locale; then exit 0; fi

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
if $need_locale; then
  echo "Generating the $TEST_LOCALE locale"
  "${as_root[@]}" localedef -i "${TEST_LOCALE%%.*}" -f UTF-8 "$TEST_LOCALE"
fi
