#!/bin/sh
# In a 64-bit prefix, the 32-bit and the 64-bit setup.exe each install their
# own tarvo.dll: the 64-bit one into the 64-bit system directory and registry
# view, the 32-bit one (through the system's redirection) into the 32-bit
# directory and view. Neither undoes the other, installing or uninstalling.
# Usage: both-widths.sh SETUP64_EXE TARVO64_DLL SETUP32_EXE TARVO32_DLL SETUP_HELPER32_EXE
# With TARVO_NO_32BIT=1 (a host that cannot run 32-bit programs) only the
# 64-bit half runs, and the test ends as skipped (status 77), not passed;
# TARVO_NO_32BIT_REASON says why.
setup64=$1 library64=$2 setup32=$3 library32=$4 helper32=$5
. "$(dirname "$0")/wine-test-lib.sh"
views="32 64"
[ "${TARVO_NO_32BIT:-0}" = 1 ] && views=64

[ -f "$setup32" ] && [ -f "$library32" ] && [ -f "$helper32" ] ||
  { echo "the 32-bit build is missing: $setup32, $library32, $helper32" >&2; exit 1; }

class_id='{899a4e00-2984-11d4-bb70-444553540000}'
library_path='C:\windows\system32\tarvo.dll'
approved_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'

new_prefix both-widths
[ "$WINEARCH" = win64 ] || { echo "needs a 64-bit prefix" >&2; exit 1; }
mkdir -p "$case_dir/work32"
cp "$library64" "$case_dir/work/tarvo.dll"
cp "$library32" "$case_dir/work32/tarvo.dll"
# The file type of .wav, in both views of the registry.
for view in $views; do
  use_view $view
  wine_reg add 'HKCR\.wav' /ve /d wavfile /f || fail "cannot create .wav (view $view)"
done

# expect_view VIEW: that registry view names the library in "its" system
# directory.
expect_view() {
  use_view $1
  expect_sz "HKCR\\CLSID\\$class_id\\InProcServer32" "" "$library_path"
  expect_sz "HKCR\\CLSID\\$class_id\\InProcServer32" ThreadingModel Apartment
  expect_sz "$approved_key" "$class_id" "$library_path"
  for key in wavfile SystemFileAssociations\\.wav SystemFileAssociations\\.bwf; do
    expect_sz "HKCR\\$key\\shellex\\PropertySheetHandlers\\Tarvo" "" "$class_id"
  done
}

(cd "$case_dir/work" && timeout 60 "$TARVO_WINE" "$setup64" </dev/null >/dev/null 2>&1) ||
  fail "the 64-bit setup.exe failed"
if [ "$views" = 64 ]; then
  expect_view 64
  cmp -s "$library64" "$WINEPREFIX/drive_c/windows/system32/tarvo.dll" ||
    fail "system32 does not hold the 64-bit library"
  finish_skipped "the half with the 32-bit setup.exe: ${TARVO_NO_32BIT_REASON:-TARVO_NO_32BIT=1}"
fi
# The 32-bit setup.exe runs through the 32-bit loader, in the same prefix.
(cd "$case_dir/work32" && timeout 60 "$TARVO_WINE32" "$setup32" </dev/null >/dev/null 2>&1) ||
  fail "the 32-bit setup.exe failed"

expect_view 32
expect_view 64
# ...which holds the library of that width.
cmp -s "$library64" "$WINEPREFIX/drive_c/windows/system32/tarvo.dll" ||
  fail "system32 does not hold the 64-bit library"
cmp -s "$library32" "$WINEPREFIX/drive_c/windows/syswow64/tarvo.dll" ||
  fail "syswow64 does not hold the 32-bit library"

# The two class registrations are separate keys: removing the 32-bit one
# leaves the 64-bit one.
use_view 32
wine_reg delete "HKCR\\CLSID\\$class_id" /f || fail "cannot delete the 32-bit class key"
use_view 64
expect_sz "HKCR\\CLSID\\$class_id\\InProcServer32" "" "$library_path"

# The 32-bit /uninstall while a 32-bit program has its library loaded: the
# deletion at restart must name that file in syswow64, not the 64-bit one of
# the same path, and the handler key, which on Windows both widths share,
# stays for the 64-bit tarvo. The 64-bit /uninstall then removes it.
hold_library "$TARVO_WINE32" "$helper32" "$library_path" 'C:\release'
(cd "$case_dir/work32" && timeout 60 "$TARVO_WINE32" "$setup32" /uninstall </dev/null >"$case_dir/uninstall32.out" 2>&1) ||
  fail "the 32-bit /uninstall failed: $(cat "$case_dir/uninstall32.out")"
touch "$WINEPREFIX/drive_c/release"
wait "$holder"
grep -qF 'HKEY_LOCAL_MACHINE\Software\Classes\wavfile\shellex\PropertySheetHandlers\Tarvo is kept: the 64-bit tarvo still uses it.' \
  "$case_dir/uninstall32.out" || fail "the 32-bit /uninstall printed: $(cat "$case_dir/uninstall32.out")"
timeout 120 "$TARVO_WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations </dev/null >"$case_dir/pending.out" 2>&1
grep -qF '\??\C:\windows\syswow64\tarvo.dll' "$case_dir/pending.out" &&
  ! grep -qF 'system32' "$case_dir/pending.out" ||
  fail "the pending deletion is not the 32-bit library's: $(cat "$case_dir/pending.out")"
expect_sz 'HKCR\wavfile\shellex\PropertySheetHandlers\Tarvo' "" "$class_id"
expect_sz 'HKCR\SystemFileAssociations\.wav\shellex\PropertySheetHandlers\Tarvo' "" "$class_id"
expect_sz "$approved_key" "$class_id" "$library_path"
cmp -s "$library64" "$WINEPREFIX/drive_c/windows/system32/tarvo.dll" ||
  fail "the 32-bit /uninstall touched the 64-bit library"

(cd "$case_dir/work" && timeout 60 "$TARVO_WINE" "$setup64" /uninstall </dev/null >"$case_dir/uninstall64.out" 2>&1) ||
  fail "the 64-bit /uninstall failed: $(cat "$case_dir/uninstall64.out")"
for key in wavfile SystemFileAssociations\\.wav; do
  expect_absent "HKCR\\$key\\shellex\\PropertySheetHandlers\\Tarvo"
done
[ ! -e "$WINEPREFIX/drive_c/windows/system32/tarvo.dll" ] || fail "the 64-bit library is still there"

finish
