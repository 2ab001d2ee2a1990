#!/bin/sh
# The system's acceptance test, under Wine with its null display driver:
# install with setup.exe from a folder holding it and tarvo.dll, open a WAV
# file's Properties through Wine's own shell, and compare the Info page's
# text with tarvo-report's exact bytes for the same path; a file with an iXML
# chunk has a Tags page too, holding what tarvo-report --tags prints.
# Usage: info-page.sh SETUP_EXE TARVO_DLL TARVO_REPORT_EXE OPEN_PROPERTIES_EXE SAMPLE_WAV IXML_WAV
setup_exe=$1
tarvo_dll=$2
report_exe=$3
driver_exe=$4
sample=$5
ixml_sample=$6
. "$(dirname "$0")/../setup/wine-test-lib.sh"
. "$(dirname "$0")/info-page-check.sh"
# Names reach Wine's programs through the Unix locale's character set.
export LC_ALL=C.UTF-8

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

place_sample "$ixml_sample"
check_tags_page "$report_exe" "$driver_exe" "$windows_sample" 'Élodie радио'
place_sample "$sample"
check_info_page "$report_exe" "$driver_exe" "$windows_sample"
check_path_line "$windows_sample"
timeout 180 "$TARVO_WINE" "$driver_exe" --tags "$windows_sample" 'C:\samples\tags.txt' </dev/null >/dev/null 2>&1
[ $? -eq 3 ] || fail "a file without tag chunks: open_properties --tags did not say \"no Tags page\""

# A name that the ANSI code page cannot hold (the shell tests check the Info
# page of one): tarvo-report opens the file through its UTF-16 name and gives
# the report of the sample above, whose copy it is; with --raw the path line
# is the name in the code page, with '?' for what it lacks (the emoji at least).
placed=$WINEPREFIX/drive_c/samples/$(basename "$sample")
mkdir -p "$WINEPREFIX/drive_c/samples/names"
cp -p "$placed" "$WINEPREFIX/drive_c/samples/names/Ωμέγα 日本 🎵.wav"
cp -p "$placed" "$WINEPREFIX/drive_c/samples/names/Zeta.wav"
names_sample='C:\samples\names\Ωμέγα 日本 🎵.wav'
timeout 60 "$TARVO_WINE" "$report_exe" --raw "$names_sample" </dev/null >"$case_dir/names-1.txt"
first_line=$(head -n 1 "$case_dir/names-1.txt" | tr -d '\r')
case $first_line in
  'C:\samples\names\'*'?.wav') ;;
  *) fail "the path line of a name in any script is not its ANSI form: '$first_line'" ;;
esac
tail -n +2 "$case_dir/report.txt" >"$case_dir/body.txt"
tail -n +2 "$case_dir/names-1.txt" | cmp -s - "$case_dir/body.txt" ||
  fail "tarvo-report --raw of a name in any script is not the report of its file"
timeout 60 "$TARVO_WINE" "$report_exe" "$names_sample" </dev/null >"$case_dir/text.txt" 2>&1
first_line=$(head -n 1 "$case_dir/text.txt")
[ "$first_line" = "$names_sample" ] || fail "the UTF-8 path line is not the name: '$first_line'"

# The folder's reports follow in the byte order of their path lines.
timeout 60 "$TARVO_WINE" "$report_exe" --raw 'C:\samples\names\Zeta.wav' </dev/null >"$case_dir/names-2.txt"
timeout 60 "$TARVO_WINE" "$report_exe" --raw 'C:\samples\names' </dev/null >"$case_dir/folder.txt" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "tarvo-report on a folder: exit status $status"
for report in "$case_dir/names-1.txt" "$case_dir/names-2.txt"; do
  printf '%s\t%s\n' "$(head -n 1 "$report")" "$report"
done | LC_ALL=C sort | cut -f 2 | while read -r report; do cat "$report"; done >"$case_dir/sorted.txt"
cmp "$case_dir/sorted.txt" "$case_dir/folder.txt" >&2 ||
  fail "the folder's reports are not the files' reports in the order of their path lines"

# regsvr32 instead of setup.exe: the library is registered where it lies,
# outside the system directory, and the shell shows the same page. (Wine's
# shell and COM read no per-user classes, so setup.exe /user cannot be seen
# through them.)
(cd "$install_dir" && timeout 60 "$TARVO_WINE" setup.exe /uninstall </dev/null >"$case_dir/uninstall.out" 2>&1) ||
  fail "setup.exe /uninstall exit status $?"
timeout 60 "$TARVO_WINE" regsvr32 /s "$(windows_path "$install_dir/tarvo.dll")" </dev/null >/dev/null 2>&1 ||
  fail "regsvr32 exit status $?"
check_info_page "$report_exe" "$driver_exe" "$windows_sample"
check_path_line "$windows_sample"

finish
