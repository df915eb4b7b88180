#!/usr/bin/env bash
# Runs every test on a fresh Debian machine: installs what is missing, then
# builds and runs the suite natively, under AddressSanitizer with
# UndefinedBehaviorSanitizer, the copy engine under ThreadSanitizer, checks
# the 32-bit Windows DLL, and runs the whole suite as Windows programs under
# Wine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

vb_ensure_packages "${VB_BUILD_PACKAGES[@]}" "${VB_WINE_PACKAGES[@]}"
started=$(date +%s)
mkdir -p "$VB_ROOT/build"

vb_say "native build"
vb_build_native
(cd "$VB_ROOT/build/native" && ctest --output-on-failure -j "$VB_JOBS")

vb_say "AddressSanitizer + UndefinedBehaviorSanitizer"
vb_build "$VB_ROOT/build/asan" -DCMAKE_BUILD_TYPE=Debug -DVB_SANITIZE=address,undefined
(cd "$VB_ROOT/build/asan" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$VB_JOBS")

vb_say "ThreadSanitizer: the copy engine"
vb_build "$VB_ROOT/build/tsan" -DCMAKE_BUILD_TYPE=Debug -DVB_SANITIZE=thread --target engine_tests
(cd "$VB_ROOT/build/tsan" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R '^engine_tests$')

vb_say "Windows build (mingw-w64, 32-bit): the plug-in DLL"
vb_build_windows
(cd "$VB_ROOT/build/win32" && ctest --output-on-failure)

vb_say "Windows build (mingw-w64, 64-bit): the whole suite under Wine"
vb_build "$VB_ROOT/build/win64" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$VB_ROOT/cmake/mingw-w64-x86_64.cmake" -DVB_WINE_TESTS=ON
export VB_WINEPREFIX="$VB_ROOT/build/wineprefix"
(cd "$VB_ROOT/build/win64" && ctest --output-on-failure)

vb_say "all suites passed in $(( $(date +%s) - started )) s"
