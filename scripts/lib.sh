# Shared by the set-up scripts: package installation and the builds.
# Sourced, not run.

VB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VB_JOBS=${VB_JOBS:-$(nproc 2>/dev/null || echo 2)}

vb_say() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages that are not there yet (as root, or through
# sudo when that is available).
vb_ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    vb_say "installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

VB_BUILD_PACKAGES=(cmake make g++ libgtest-dev googletest g++-mingw-w64-i686 binutils-mingw-w64-i686
    # The terminal host (ncursesw) and its end-to-end tests (tmux, Python 3).
    libncurses-dev tmux python3)
# Wine runs the 64-bit Windows build of the suite.
VB_WINE_PACKAGES=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64)

# vb_build <folder> [cmake options...] [--target <target>]
vb_build() {
    local folder=$1
    shift
    local options=() targets=()
    while [ $# -gt 0 ]; do
        if [ "$1" = "--target" ]; then
            targets+=(--target "$2")
            shift 2
        else
            options+=("$1")
            shift
        fi
    done
    cmake -S "$VB_ROOT" -B "$folder" "${options[@]}" >"$folder.configure.log" 2>&1 || {
        cat "$folder.configure.log"
        return 1
    }
    cmake --build "$folder" -j "$VB_JOBS" "${targets[@]}"
}

vb_build_native() { mkdir -p "$VB_ROOT/build"; vb_build "$VB_ROOT/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"; }

vb_build_windows() {
    mkdir -p "$VB_ROOT/build"
    vb_build "$VB_ROOT/build/win32" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$VB_ROOT/cmake/mingw-w64-i686.cmake" "$@"
}

# The plug-in folder as it is installed into the host: the DLL with its
# language and help files.
vb_make_dist() {
    local dist="$VB_ROOT/dist/Vantelbrook"
    rm -rf "$VB_ROOT/dist"
    mkdir -p "$dist"
    cp "$VB_ROOT/build/win32/bin/Vantelbrook.dll" "$dist/"
    cp "$VB_ROOT/src/lang/VantelbrookEng.lng" "$VB_ROOT/src/lang/VantelbrookRus.lng" \
        "$VB_ROOT/src/lang/VantelbrookEng.hlf" "$dist/"
}
