#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds both targets and runs
# every test under wine64 on a virtual display; the release archive is made
# first, since the tests unpack and use it.
set -euo pipefail
source "$(dirname "$0")/kst-env.sh"
kst_install
kst_build
kst_release
kst_with_wine ctest --preset win64 "$@"
