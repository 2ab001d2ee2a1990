# The Wine environment of every script that starts Wine; sourced, after
# WINEARCH (win32 unless set) and WINEPREFIX are chosen.
#
# The loader and the server are named by the prefix's width, never reached
# through /usr/bin/wine or wineboot: those start the 32-bit loader first,
# even for a 64-bit prefix, and a kernel that refuses 32-bit programs refuses
# that loader, so the 64-bit tests would fail with it.
#   win64: TARVO_WINE=/usr/lib/wine/wine64  TARVO_WINESERVER=/usr/lib/wine/wineserver64
#   win32: TARVO_WINE=/usr/lib/wine/wine    TARVO_WINESERVER=/usr/lib/wine/wineserver32
# Another build of Wine is named through TARVO_WINE64, TARVO_WINESERVER64,
# TARVO_WINE32 and TARVO_WINESERVER32. TARVO_WINE and TARVO_WINESERVER always
# follow WINEARCH: one left in the environment by a run of the other width
# (the test command runs both, and CTest hands its environment on) must not
# start a 64-bit prefix's programs through the 32-bit loader.
# Windows tools run through the loader too: "$TARVO_WINE" reg ...,
# "$TARVO_WINE" wineboot -i.

export TARVO_WINE64="${TARVO_WINE64:-/usr/lib/wine/wine64}"
export TARVO_WINESERVER64="${TARVO_WINESERVER64:-/usr/lib/wine/wineserver64}"
export TARVO_WINE32="${TARVO_WINE32:-/usr/lib/wine/wine}"
export TARVO_WINESERVER32="${TARVO_WINESERVER32:-/usr/lib/wine/wineserver32}"

export WINEARCH="${WINEARCH:-win32}"
if [ "$WINEARCH" = win64 ]; then
  export TARVO_WINE="$TARVO_WINE64" TARVO_WINESERVER="$TARVO_WINESERVER64"
else
  export TARVO_WINE="$TARVO_WINE32" TARVO_WINESERVER="$TARVO_WINESERVER32"
fi
# The server the loader starts when none runs for the prefix.
export WINESERVER="$TARVO_WINESERVER"
export WINEDEBUG=-all
# No crash debugger: a crashing test ends at once instead of waiting for its
# time-out.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
