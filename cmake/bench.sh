#!/usr/bin/env bash
# Benchmark: builds, then measures under Wine on a virtual display. Prints a
# table and writes the figures to build/bench/results.json.
set -euo pipefail
source "$(dirname "$0")/kst-env.sh"
kst_install
kst_build
mkdir -p "$kst_root/build/bench"
kst_with_wine /usr/lib/wine/wine64 "$kst_root/build/win64/bin/kstbench.exe" \
  --json 'Z:'"$(echo "$kst_root/build/bench/results.json" | tr / '\\')" "$@"
