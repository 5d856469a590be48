#!/usr/bin/env bash
# The release archive: installs what is missing, builds both targets and
# writes build/selvor32-VERSION.zip (x86 and x64, MinGW and Visual C++ import
# libraries, headers, CMake package) and its SHA-256.
set -euo pipefail
source "$(dirname "$0")/kst-env.sh"
kst_install
kst_build
kst_release
