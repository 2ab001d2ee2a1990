#!/bin/sh
# Builds both Windows widths and the native command, and lays out what to
# install:
#   dist/x86/  tarvo.dll, setup.exe, tarvo-report.exe  (32-bit Windows, and
#              32-bit programs on 64-bit Windows)
#   dist/x64/  the same for 64-bit Windows (Explorer's own Properties)
#   dist/tarvo-x86.msi, dist/tarvo-x64.msi  the same as Windows Installer
#              packages
#   dist/tarvo-report_VERSION_amd64.deb  tarvo-report for Debian and Ubuntu
#   dist/INSTALL.txt
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/deps.sh" all
version=$(sed -n 's/^project(tarvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "$0: no project version in CMakeLists.txt" >&2; exit 1; }
rm -rf dist
for width in x86 x64; do
  cmake --preset "windows-$width" >/dev/null
  cmake --build --preset "windows-$width" -j2 --target tarvo setup tarvo-report
  mkdir -p "dist/$width"
  cp "build/windows-$width/shell/tarvo.dll" "build/windows-$width/setup/setup.exe" \
     "build/windows-$width/cli/tarvo-report.exe" "dist/$width/"
  packaging/make-msi.sh "$width" "$version" "build/windows-$width" "dist/tarvo-$width.msi"
done
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target tarvo-report deb_files
(cd build/native && cpack -G DEB -B "$top/dist/deb") >/dev/null
mv dist/deb/tarvo-report_*_amd64.deb dist/
rm -rf dist/deb
# The Windows files have the XML library linked in: its terms go with them.
cp build/deps/expat/expat/COPYING dist/expat-COPYING.txt
cat > dist/INSTALL.txt <<'TEXT'
tarvo: an "  Info" page in the Properties dialog of .wav files

Which folder
  x64\  64-bit Windows. Explorer is a 64-bit program and loads only the
        64-bit tarvo.dll: install this one to see the page in Explorer.
  x86\  32-bit Windows. On 64-bit Windows, install it as well if 32-bit
        programs (their Open and Save dialogs) should show the page too.
  The two do not disturb each other: on 64-bit Windows the 32-bit setup.exe
  copies into the 32-bit system folder (SysWOW64) and writes the 32-bit view
  of the registry.

With Windows Installer
  Double-click tarvo-x64.msi (and, on 64-bit Windows for 32-bit programs,
  tarvo-x86.msi). It installs into the program files folder, registers the
  page, and can be removed from the list of installed programs; a newer
  package replaces an older one. For administrators, silently:
    msiexec /i tarvo-x64.msi /qn      install or update
    msiexec /x tarvo-x64.msi /qn      remove
  The package cannot tell Explorer that the registration changed: if the
  Info tab does not appear, or stays after removal, sign out and in again
  or restart Explorer.

With setup.exe
  1. Copy tarvo.dll and setup.exe of one folder together into any folder.
  2. Open a command prompt as administrator in that folder and run setup.exe.
  3. Right-click a .wav file, choose Properties, and open the "Info" tab.
  To remove it: setup.exe /uninstall (from an administrator console). To
  update: setup.exe /uninstall, restart Windows if it says the library is in
  use, then setup.exe with the new tarvo.dll.

For the current user alone, without administrator rights
  setup.exe /user copies tarvo.dll to %LOCALAPPDATA%\Programs\tarvo and
  registers it for you only; setup.exe /user /uninstall removes it (a
  library in use is renamed, and deleted by a later run). Programs running
  as administrator do not see such an install. A machine-wide install does
  not take over a per-user one: remove each with its own /uninstall.

By hand
  regsvr32 tarvo.dll registers the library where it lies (regsvr32 /u
  tarvo.dll undoes it); regsvr32 /n /i:user tarvo.dll does it for the
  current user alone.

Every way names tarvo under
  HKEY_CLASSES_ROOT\SystemFileAssociations\.wav\shellex\PropertySheetHandlers\Tarvo
  (and .bwf): the key that shows the page whatever player is chosen for
  .wav files.

tarvo-report.exe prints the same report in a console:
  tarvo-report.exe [--raw] FILE-OR-FOLDER...
TEXT
find dist -type f | sort
