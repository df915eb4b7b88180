#!/usr/bin/env bash
# The main job: builds the Windows plug-in folder (dist/Vantelbrook) and the
# native module, then runs a short real session of the module in the
# emulated host and prints what the module answered.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

vb_ensure_packages "${VB_BUILD_PACKAGES[@]}"

vb_say "Windows plug-in"
vb_build_windows -DBUILD_TESTING=OFF
vb_make_dist
ls -l "$VB_ROOT/dist/Vantelbrook"

vb_say "native module and emulated host"
vb_build_native -DBUILD_TESTING=OFF

vb_say "a session in the emulated host"
"$VB_ROOT/build/native/bin/vbsession" "$VB_ROOT/build/native/bin/Vantelbrook.so" "$@"
