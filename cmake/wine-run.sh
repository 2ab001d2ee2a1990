#!/bin/sh
# Runs a Windows program under Wine in the project's private prefix.
# Usage: wine-run.sh [--prefix DIR] [--arch win32|win64] PROGRAM [ARGS...]
# The prefix comes from --prefix, else from TARVO_WINEPREFIX; it is created
# on first use. The architecture comes from --arch, else WINEARCH, else win32.
here=$(cd "$(dirname "$0")" && pwd)
if [ "$1" = "--prefix" ]; then
  TARVO_WINEPREFIX=$2
  shift 2
fi
if [ "$1" = "--arch" ]; then
  WINEARCH=$2
  shift 2
fi
[ -n "$TARVO_WINEPREFIX" ] || { echo "wine-run.sh: no prefix given" >&2; exit 2; }
export WINEPREFIX="$TARVO_WINEPREFIX"
export WINEARCH="${WINEARCH:-win32}"
export WINEDEBUG=-all
# No crash debugger: a crashing test ends at once instead of waiting for
# its time-out.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$here/../scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null 2>&1
fi
exec timeout 600 wine "$@"
