#!/usr/bin/env bash
# Installs the Debian packages the build, the tool and the tests need.
# Idempotent: when everything is already present it changes nothing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl1-mesa-dev
  libudev-dev libsystemd-dev dbus-daemon
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libssl-dev
  xvfb xauth x11-utils
  desktop-file-utils appstream dpkg-dev file lintian help2man man-db libxcb1-dev
  clang libclang-rt-14-dev locales
  fuse3 python3-fusepy
  emscripten nodejs
  chromium chromium-driver python3-selenium python3-websockets
  g++-mingw-w64-x86-64-posix wine64
)

# The texts built from numbers are checked under a comma-decimal locale.
TEST_LOCALE=de_DE.UTF-8

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix "${TEST_LOCALE/UTF-8/utf8}"; then
  echo "Generating the $TEST_LOCALE locale"
  $SUDO localedef -i "${TEST_LOCALE%%.*}" -f UTF-8 "$TEST_LOCALE"
fi
