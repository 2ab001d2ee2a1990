#!/bin/sh
# Runs a Windows program under Wine in the project's private prefix.
# Usage: wine-run.sh [--prefix DIR] [--arch win32|win64] PROGRAM [ARGS...]
# The prefix comes from --prefix, else from TARVO_WINEPREFIX; it is created
# on first use. The architecture comes from --arch, else WINEARCH, else win32;
# it picks the loader (scripts/wine-env.sh).
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
. "$here/../scripts/wine-env.sh"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$here/../scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null 2>&1
fi
exec timeout 600 "$TARVO_WINE" "$@"
