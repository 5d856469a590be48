#!/usr/bin/env bash
# The main job: installs what is missing, builds both targets and shows the
# plugin table as a client sees it through the exports.
set -euo pipefail
source "$(dirname "$0")/kst-env.sh"
kst_install
kst_build
kst_with_wine /usr/lib/wine/wine64 "$kst_root/build/win64/bin/kstclient.exe" plugins
