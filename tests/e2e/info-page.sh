#!/bin/sh
# The system's acceptance test, under Wine with its null display driver:
# install with setup.exe from a folder holding it and tarvo.dll, open a WAV
# file's Properties through Wine's own shell, and compare the Info page's
# text with tarvo-report's exact bytes for the same path.
# Usage: info-page.sh SETUP_EXE TARVO_DLL TARVO_REPORT_EXE OPEN_PROPERTIES_EXE SAMPLE_WAV
setup_exe=$1
tarvo_dll=$2
report_exe=$3
driver_exe=$4
sample=$5
. "$(dirname "$0")/../setup/wine-test-lib.sh"

new_prefix info-page
# Wine's registry has no .wav extension key of its own.
wine_reg add 'HKCR\.wav' /ve /d wavfile /f || fail "cannot create HKCR\\.wav"

install_dir=$case_dir/work/install
mkdir -p "$install_dir"
cp "$setup_exe" "$install_dir/setup.exe" && cp "$tarvo_dll" "$install_dir/tarvo.dll" ||
  { echo "cannot lay out the install folder" >&2; exit 1; }
(cd "$install_dir" && timeout 60 "$TARVO_WINE" setup.exe </dev/null >"$case_dir/setup.out" 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "setup.exe exit status $status"
cmp -s "$tarvo_dll" "$system32/tarvo.dll" || fail "setup.exe did not install tarvo.dll"

sample_name=$(basename "$sample")
mkdir -p "$WINEPREFIX/drive_c/samples"
cp "$sample" "$WINEPREFIX/drive_c/samples/$sample_name"
windows_sample="C:\\samples\\$sample_name"
page=$WINEPREFIX/drive_c/samples/page.txt

timeout 180 "$TARVO_WINE" "$driver_exe" "$windows_sample" 'C:\samples\page.txt' \
  </dev/null >"$case_dir/open.out" 2>"$case_dir/open.err"
status=$?
[ "$status" -eq 0 ] || fail "open_properties exit status $status: $(cat "$case_dir/open.err")"

timeout 60 "$TARVO_WINE" "$report_exe" --raw "$windows_sample" </dev/null >"$case_dir/report.txt" 2>"$case_dir/report.err"
status=$?
[ "$status" -eq 0 ] || fail "tarvo-report exit status $status: $(cat "$case_dir/report.err")"

if [ -f "$page" ]; then
  cmp "$page" "$case_dir/report.txt" >&2 || fail "the Info page differs from tarvo-report --raw"
  # Equal texts prove little if both are empty or cut short: the report
  # must name the file and show every chunk of the sample.
  first_line=$(head -n 1 "$page" | tr -d '\r')
  case $first_line in
    *"$windows_sample"*) ;;
    *) fail "the report does not begin with the file's path: '$first_line'" ;;
  esac
  for chunk in 'RIFF' 'fmt ' 'bext' 'LIST' 'INFO' 'cue ' 'labl' 'data'; do
    grep -qF -- "$chunk" "$page" || fail "the Info page does not show the '$chunk' chunk"
  done
else
  fail "the Info page's text was not written"
fi

finish
