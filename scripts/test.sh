#!/usr/bin/env bash
# Installs what is missing (the window's packages and the whole test
# toolchain), builds everything and runs the whole test suite. Run it as
# yourself: only apt-get, and once localedef (the de_DE.UTF-8 and zh_CN.UTF-8
# locales the tests use), run through sudo. Run as root, it builds and tests
# as the checkout's owner (scripts/as-owner.sh); in a checkout root owns (CI), as root.
# At its end scripts/no-leftovers.sh fails the run when the suite left a
# process, a mount or a file of its own behind.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
./scripts/as-owner.sh ./scripts/build.sh -DGIMBAL_BUILD_TESTS=ON -DGIMBAL_BUILD_BENCHMARKS=ON
exec ./scripts/as-owner.sh ./scripts/no-leftovers.sh ctest --test-dir build --output-on-failure --timeout 300 -j2 "$@"
