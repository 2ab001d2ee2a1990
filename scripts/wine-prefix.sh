#!/bin/sh
# Creates a Wine prefix for the project's tests: 32-bit, no display needed
# (Wine's null display driver runs dialogs and property sheets).
# Usage: scripts/wine-prefix.sh PREFIX
set -e
prefix=$1
[ -n "$prefix" ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
mkdir -p "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
export WINEARCH="${WINEARCH:-win32}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
unset DISPLAY
timeout 300 wineboot -i </dev/null >/dev/null 2>&1 || true
timeout 120 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d 'x11,null' /f </dev/null >/dev/null 2>&1
timeout 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
timeout 120 wineserver -w
