#!/bin/sh
# Takes the README's picture of the Info page from the real flow: a fresh
# Wine prefix, setup.exe run from a folder holding it and tarvo.dll, then a
# WAV file's Properties opened through Wine's own shell, on an X server
# without a screen (xvfb-run). Writes docs/info-page.png.
# Usage: scripts/screenshot.sh [SAMPLE_WAV]
# The 32-bit build is shown; WINEARCH=win64 shows the 64-bit one (on a host
# that cannot run 32-bit programs). TARVO_BUILD_DIR names another build tree
# of that width's preset.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
sample=${1:-$top/examples/production-metadata.wav}
export WINEARCH=${WINEARCH:-win32}
preset=windows-x86
[ "$WINEARCH" = win64 ] && preset=windows-x64
build=${TARVO_BUILD_DIR:-$top/build/$preset}
work=$build/screenshot
output=$top/docs/info-page.png

cd "$top"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset "$preset" -B "$build" >/dev/null || exit 1
fi
cmake --build "$build" --target setup tarvo open_properties >/dev/null || exit 1

prefix=$work/prefix
install_dir=$work/install
rm -rf "$work"
mkdir -p "$install_dir"
"$top/scripts/wine-prefix.sh" "$prefix" || exit 1
cp "$build/setup/setup.exe" "$build/shell/tarvo.dll" "$install_dir/" || exit 1
mkdir -p "$prefix/drive_c/samples"
sample_name=$(basename "$sample")
cp "$sample" "$prefix/drive_c/samples/$sample_name" || exit 1

export WINEPREFIX=$prefix
. "$top/scripts/wine-env.sh"
export TARVO_SCREENSHOT_WORK=$work TARVO_SCREENSHOT_INSTALL=$install_dir
export TARVO_SCREENSHOT_DRIVER=$build/tests/e2e/open_properties.exe
export TARVO_SCREENSHOT_SAMPLE="C:\\samples\\$sample_name"

# Everything that touches the prefix runs inside xvfb-run: Wine picks its
# display driver once per wineserver session.
timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  cd "$TARVO_SCREENSHOT_INSTALL" || exit 1
  timeout 120 "$TARVO_WINE" reg add "HKCR\\.wav" /ve /d wavfile /f </dev/null >/dev/null 2>&1
  timeout 60 "$TARVO_WINE" setup.exe </dev/null >"$TARVO_SCREENSHOT_WORK/setup.out" 2>&1
  page=$WINEPREFIX/drive_c/samples/page.txt
  timeout 180 "$TARVO_WINE" "$TARVO_SCREENSHOT_DRIVER" "$TARVO_SCREENSHOT_SAMPLE" "C:\\samples\\page.txt" \
    "C:\\samples\\release" </dev/null >/dev/null 2>"$TARVO_SCREENSHOT_WORK/open.err" &
  driver=$!
  i=0
  while [ ! -s "$page" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
  status=1
  if [ -s "$page" ]; then
    sleep 2
    import -window root "$TARVO_SCREENSHOT_WORK/screen.png" && status=0
  fi
  touch "$WINEPREFIX/drive_c/samples/release"
  wait $driver
  timeout 60 "$TARVO_WINESERVER" -k
  exit $status
' || { echo "no screenshot taken; see $work/open.err" >&2; exit 1; }

# The X server shows nothing but the dialog on black: trim to the dialog.
mkdir -p "$top/docs"
convert "$work/screen.png" -trim +repage "$output" || exit 1
rm -rf "$prefix"
echo "wrote $output"
