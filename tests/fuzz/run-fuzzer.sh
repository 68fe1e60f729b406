#!/usr/bin/env bash
# Runs one fuzz target for FUZZ_SECONDS (default 15) from the committed seed
# corpus; new inputs go to a scratch folder, never into the source tree.
set -euo pipefail
fuzzer=$1
seeds=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT # so the fuzzer runs as a child, not by exec
"$fuzzer" -max_total_time="${FUZZ_SECONDS:-15}" -print_final_stats=1 -timeout=10 \
  "$scratch" "$seeds"
