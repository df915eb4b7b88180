#!/usr/bin/env bash
# Runs every test on a fresh Debian machine: installs what is missing, builds
# natively, with AddressSanitizer and UndefinedBehaviorSanitizer, and for
# 32-bit Windows, and runs each suite.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

vb_ensure_packages "${VB_BUILD_PACKAGES[@]}"
started=$(date +%s)

vb_say "native build"
vb_build_native
(cd "$VB_ROOT/build/native" && ctest --output-on-failure -j "$VB_JOBS")

vb_say "AddressSanitizer + UndefinedBehaviorSanitizer build"
mkdir -p "$VB_ROOT/build"
vb_build "$VB_ROOT/build/asan" -DCMAKE_BUILD_TYPE=Debug -DVB_SANITIZE=address,undefined
(cd "$VB_ROOT/build/asan" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$VB_JOBS")

vb_say "Windows build (mingw-w64, 32-bit)"
vb_build_windows
(cd "$VB_ROOT/build/win32" && ctest --output-on-failure)

vb_say "all suites passed in $(( $(date +%s) - started )) s"
