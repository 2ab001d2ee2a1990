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
. "$(dirname "$0")/info-page-check.sh"

new_prefix info-page
# Wine's registry has no .wav extension key of its own.
wine_reg add 'HKCR\.wav' /ve /d wavfile /f || fail "cannot create HKCR\\.wav"

install_dir=$case_dir/work/install
mkdir -p "$install_dir"
cp "$setup_exe" "$install_dir/setup.exe" && cp "$tarvo_dll" "$install_dir/tarvo.dll" ||
  { echo "cannot lay out the install folder" >&2; exit 1; }
(cd "$install_dir" && timeout 60 wine setup.exe </dev/null >"$case_dir/setup.out" 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "setup.exe exit status $status"
cmp -s "$tarvo_dll" "$system32/tarvo.dll" || fail "setup.exe did not install tarvo.dll"

check_info_page "$report_exe" "$driver_exe" "$sample"

finish
