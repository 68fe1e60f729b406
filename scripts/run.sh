#!/usr/bin/env bash
# Installs what building and running the window needs (none of the test
# toolchain), builds the tool and starts it. Run it as yourself: only apt-get
# runs through sudo. Run as root, it builds and starts the tool as the
# checkout's owner (scripts/as-owner.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh run
# A new build/ is made for the window alone; one that test.sh made keeps its tests.
options=()
[ -f build/CMakeCache.txt ] || options=(-DGIMBAL_BUILD_TESTS=OFF -DGIMBAL_BUILD_BENCHMARKS=OFF)
./scripts/as-owner.sh ./scripts/build.sh "${options[@]}" gimbal-tool gimbal-sim gimbalctl
exec ./scripts/as-owner.sh ./build/gimbal-tool "$@"
