#!/bin/sh
# The MSI package under Wine: a silent install writes the registry entries
# that setup.exe writes (with which info-page.sh sees the Info page through
# Wine's own shell) for the installed files, a newer build installed over it
# leaves one entry in the installed-programs list, and a silent uninstall
# leaves the keys the package writes into, and the system folders, as they
# were.
# Usage: msi.sh MAKE_MSI x64|x86 VERSION BUILD_DIR
make_msi=$1 width=$2 version=$3 build_dir=$4
. "$(dirname "$0")/../setup/wine-test-lib.sh"

new_prefix "msi-$width"

class_id='{899a4e00-2984-11d4-bb70-444553540000}'
class_key="HKCR\\CLSID\\$class_id"
approved_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'
handler_key='HKCR\wavfile\shellex\PropertySheetHandlers\Tarvo'
install_dir=$WINEPREFIX/drive_c/Program\ Files/tarvo
library_path='C:\Program Files\tarvo\tarvo.dll'

# The newer build differs from this one in the fourth field only, which
# Windows Installer leaves out of its version comparisons.
newer_version=$(echo "$version" | awk -F. '{ print $1 "." $2 "." $3 "." ($4 + 1) }')
for v in "$version" "$newer_version"; do
  "$make_msi" "$width" "$v" "$build_dir" "$WINEPREFIX/drive_c/tarvo-$v.msi" ||
    { fail "cannot make the $v package"; finish; }
done

msiexec() {
  timeout 180 "$TARVO_WINE" msiexec "$@" /qn </dev/null >>"$case_dir/msiexec.out" 2>&1 ||
    fail "msiexec $* exit status $?"
}

# installed_entries: the installed-programs entries named tarvo, as
# "DisplayName DisplayVersion" lines.
installed_entries() {
  timeout 120 "$TARVO_WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
    /s $reg_view </dev/null 2>/dev/null | tr -d '\r' | awk '
    /^HKEY/ { if (name != "") print name " " version; name = ""; version = "" }
    $1 == "DisplayName" && $3 ~ /^tarvo/ { name = substr($0, index($0, "REG_SZ") + 10) }
    $1 == "DisplayVersion" { version = $3 }
    END { if (name != "") print name " " version }'
}

# The keys the package writes into, without Windows Installer's own.
package_keys='^Software\\\\(Classes\\\\(CLSID|SystemFileAssociations|wavfile|\.wav)|Tarvo|Microsoft\\\\Windows\\\\CurrentVersion\\\\Shell Extensions)'
wine_reg add 'HKCR\.wav' /ve /d wavfile /f || fail "cannot create HKCR\\.wav"
# Windows' list of approved extensions is never empty, as Wine's is at
# first; Windows Installer removes a key that its uninstall leaves empty.
wine_reg add "$approved_key" /v '{0d0d0d0d-1111-2222-3333-444444444444}' /d 'C:\other.dll' /f ||
  fail "cannot add another approved extension"
snapshot before "$package_keys"
grep -qF '[Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved]' "$case_dir/before.reg" ||
  fail "the snapshot of the package's keys misses the approved list"

msiexec /i "C:\\tarvo-$version.msi"
expect_sz "$class_key" "" "$library_path"
expect_sz "$class_key\\InProcServer32" "" "$library_path"
expect_sz "$class_key\\InProcServer32" ThreadingModel Apartment
expect_sz "$approved_key" "$class_id" "$library_path"
expect_sz "$handler_key" "" "$class_id"
for extension in .wav .bwf; do
  expect_sz "HKCR\\SystemFileAssociations\\$extension\\shellex\\PropertySheetHandlers\\Tarvo" "" "$class_id"
done
for file in shell/tarvo.dll cli/tarvo-report.exe; do
  cmp -s "$build_dir/$file" "$install_dir/${file#*/}" || fail "${file#*/} was not installed"
done

msiexec /i "C:\\tarvo-$newer_version.msi"
entries=$(installed_entries)
if [ "$(printf '%s\n' "$entries" | grep -c .)" -ne 1 ] || [ "${entries##* }" != "$newer_version" ]; then
  fail "after the upgrade the installed programs hold '$entries', expected one entry of $newer_version"
fi
expect_sz "$handler_key" "" "$class_id"

# Another program takes .wav over: the uninstall must still find the handler
# key under the file type it was written to.
wine_reg add 'HKCR\.wav' /ve /d otherfile /f || fail "cannot change HKCR\\.wav"
msiexec /x "C:\\tarvo-$newer_version.msi"
for key in "$class_key" "$handler_key" 'HKLM\SOFTWARE\Tarvo'; do
  expect_absent "$key"
done
expect_absent "$approved_key" "$class_id"
[ -e "$install_dir" ] && fail "the install folder is left after uninstall: $(ls "$install_dir")"
entries=$(installed_entries)
[ -z "$entries" ] || fail "installed programs still list '$entries'"
# What tarvo did not write stays.
expect_sz 'HKCR\.wav' "" otherfile
wine_reg add 'HKCR\.wav' /ve /d wavfile /f || fail "cannot give HKCR\\.wav back its file type"
snapshot after "$package_keys"
same_snapshot before after

finish
