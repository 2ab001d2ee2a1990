#!/bin/sh
# Creates a Wine prefix for the project's tests, of the width WINEARCH names
# (32-bit unless set), that needs no display (Wine's null display driver runs
# dialogs and property sheets).
# Usage: scripts/wine-prefix.sh PREFIX
set -e
prefix=$1
[ -n "$prefix" ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
mkdir -p "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
. "$(dirname "$0")/wine-env.sh"
unset DISPLAY
timeout 300 "$TARVO_WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
timeout 120 "$TARVO_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d 'x11,null' /f </dev/null >/dev/null 2>&1
timeout 120 "$TARVO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
timeout 120 "$TARVO_WINESERVER" -w
