#!/bin/sh
# Takes the README's pictures of the Info and Tags pages from the real flow:
# a fresh Wine prefix, setup.exe run from a folder holding it and tarvo.dll,
# then a WAV file's Properties opened through Wine's own shell, on an X
# server without a screen (xvfb-run). Writes docs/info-page.png (the Info page
# of SAMPLE_WAV) and docs/tags-page.png (the Tags page of IXML_WAV).
# Usage: scripts/screenshot.sh [SAMPLE_WAV [IXML_WAV]]
# The 32-bit build is shown; WINEARCH=win64 shows the 64-bit one (on a host
# that cannot run 32-bit programs). TARVO_BUILD_DIR names another build tree
# of that width's preset.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
sample=${1:-$top/examples/production-metadata.wav}
ixml_sample=${2:-$top/examples/production-sound-ixml.wav}
export WINEARCH=${WINEARCH:-win32}
preset=windows-x86
[ "$WINEARCH" = win64 ] && preset=windows-x64
build=${TARVO_BUILD_DIR:-$top/build/$preset}
work=$build/screenshot

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
ixml_name=$(basename "$ixml_sample")
cp "$sample" "$prefix/drive_c/samples/$sample_name" || exit 1
cp "$ixml_sample" "$prefix/drive_c/samples/$ixml_name" || exit 1

export WINEPREFIX=$prefix
. "$top/scripts/wine-env.sh"
export TARVO_SCREENSHOT_WORK=$work TARVO_SCREENSHOT_INSTALL=$install_dir
export TARVO_SCREENSHOT_DRIVER=$build/tests/e2e/open_properties.exe
export TARVO_SCREENSHOT_SAMPLE="C:\\samples\\$sample_name"
export TARVO_SCREENSHOT_IXML_SAMPLE="C:\\samples\\$ixml_name"

# Everything that touches the prefix runs inside xvfb-run: Wine picks its
# display driver once per wineserver session.
timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  cd "$TARVO_SCREENSHOT_INSTALL" || exit 1
  timeout 120 "$TARVO_WINE" reg add "HKCR\\.wav" /ve /d wavfile /f </dev/null >/dev/null 2>&1
  timeout 60 "$TARVO_WINE" setup.exe </dev/null >"$TARVO_SCREENSHOT_WORK/setup.out" 2>&1
  # shoot NAME [--tags] WINDOWS_PATH: the dialog open on the page, in NAME.png.
  shoot() {
    name=$1
    shift
    page=$WINEPREFIX/drive_c/samples/$name.txt
    release=$WINEPREFIX/drive_c/samples/$name.release
    timeout 180 "$TARVO_WINE" "$TARVO_SCREENSHOT_DRIVER" "$@" "C:\\samples\\$name.txt" \
      "C:\\samples\\$name.release" </dev/null >/dev/null 2>"$TARVO_SCREENSHOT_WORK/$name.err" &
    driver=$!
    i=0
    while [ ! -s "$page" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
    taken=1
    if [ -s "$page" ]; then
      sleep 2
      import -window root "$TARVO_SCREENSHOT_WORK/$name.png" && taken=0
    fi
    touch "$release"
    wait $driver
    return $taken
  }
  shoot info-page "$TARVO_SCREENSHOT_SAMPLE" &&
    shoot tags-page --tags "$TARVO_SCREENSHOT_IXML_SAMPLE"
  status=$?
  timeout 60 "$TARVO_WINESERVER" -k
  exit $status
' || { echo "no screenshot taken; see $work/*.err" >&2; exit 1; }

# The X server shows nothing but the dialog on black: trim to the dialog.
mkdir -p "$top/docs"
for name in info-page tags-page; do
  convert "$work/$name.png" -trim +repage "$top/docs/$name.png" || exit 1
  echo "wrote $top/docs/$name.png"
done
rm -rf "$prefix"
