#!/usr/bin/env bash
# The main job: installs what is missing, builds both targets, then on a
# virtual display reads the run at the caret of a sample editor from another
# process, replaces it with its value and shows before and after.
set -euo pipefail
source "$(dirname "$0")/kst-env.sh"
kst_install
kst_build
export kst_root
kst_with_wine bash "$kst_root/cmake/demo-session.sh"
