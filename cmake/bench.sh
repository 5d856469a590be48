#!/usr/bin/env bash
# Benchmark: builds, then measures under Wine on a virtual display, once for
# each bitness; each run also reads and replaces in an editor of the other
# bitness through the bridge. Prints the tables and writes the figures to
# build/bench/results-x86_64.json and build/bench/results-i686.json.
set -euo pipefail
source "$(dirname "$0")/kst-env.sh"
kst_install
kst_build
mkdir -p "$kst_root/build/bench"
export kst_root
kst_with_wine bash -c '
  windows_path() { echo "Z:$1" | tr / "\\\\"; }
  rc=0
  for bits in x86_64:win64:win32 i686:win32:win64; do
    IFS=: read -r arch own other <<<"$bits"
    echo "== $arch client =="
    /usr/lib/wine/wine64 "$kst_root/build/$own/bin/kstbench.exe" \
      --json "$(windows_path "$kst_root/build/bench/results-$arch.json")" \
      --other-bitness "$(windows_path "$kst_root/build/$other/bin/kstbench.exe")" "$@" || rc=1
    echo
  done
  exit $rc' kst-bench "$@"
