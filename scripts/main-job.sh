#!/usr/bin/env bash
# The main job: builds the Windows plug-in folder (dist/Vantelbrook) and the
# native module, then runs a short real session of the module in the
# emulated host, on the emulated device, and prints what the module answered.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

vb_ensure_packages "${VB_BUILD_PACKAGES[@]}"

vb_say "Windows plug-in"
vb_build_windows -DBUILD_TESTING=OFF
vb_make_dist
ls -l "$VB_ROOT/dist/Vantelbrook"

vb_say "native module, emulated host and emulated device"
vb_build_native -DBUILD_TESTING=OFF

# A small device of its own, made afresh each run, and a local folder.
work="$VB_ROOT/.work/session"
rm -rf "$work"
mkdir -p "$work/device/Windows" "$work/device/My Documents" "$work/local"
printf 'MZ calculator\n' >"$work/device/Windows/calc.exe"
printf 'Shopping: milk, bread\n' >"$work/device/My Documents/notes.txt"
export VANTELBROOK_DEVICE_STORAGE="$work/device"
export VANTELBROOK_DEVICE_CONNECT="${VANTELBROOK_DEVICE_CONNECT:-delay:1500}"
export VANTELBROOK_REGISTRY="${VANTELBROOK_REGISTRY:-$work/registry.reg}"

vb_say "a session in the emulated host"
"$VB_ROOT/build/native/bin/vbsession" "$VB_ROOT/build/native/bin/Vantelbrook.so" "$work/local" "My Documents" "$@"
