#!/usr/bin/env bash
# Runs a Windows program of the test suite under Wine, in a Wine prefix of
# the project's own under a temporary folder, without a display.
set -euo pipefail
export WINEPREFIX="${VB_WINEPREFIX:-${TMPDIR:-/tmp}/vantelbrook-wine-$(id -u)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w 2>/dev/null || wineserver -w 2>/dev/null || true
fi
exec "$wine" "$@"
