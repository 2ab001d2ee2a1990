#!/bin/sh
# Makes the Windows Installer package of one width from packaging/tarvo.wxs.
# Usage: make-msi.sh x64|x86 VERSION BUILD_DIR OUTPUT_MSI
#   BUILD_DIR is the tree of the windows-x64 or windows-x86 preset, holding
#   shell/tarvo.dll and cli/tarvo-report.exe.
set -e
[ $# -eq 4 ] || { echo "usage: $0 x64|x86 VERSION BUILD_DIR OUTPUT_MSI" >&2; exit 2; }
arch=$1 version=$2 build_dir=$3 output=$4
case $arch in x64|x86) ;; *) echo "$0: unknown width $arch" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")" && pwd)
for file in shell/tarvo.dll cli/tarvo-report.exe; do
  [ -f "$build_dir/$file" ] || { echo "$0: $build_dir/$file is missing" >&2; exit 1; }
done

output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
rm -f "$output"
# wixl prints failures as GLib warnings and may still exit 0: any line it
# prints is taken as a failure. It finds no file given by an absolute
# path, so it runs in the build tree and is given paths relative to it.
log=$(cd "$build_dir" && wixl -a "$arch" -D "Arch=$arch" -D "Version=$version" -D "BinDir=." \
        -o "$output" "$here/tarvo.wxs" 2>&1) || { echo "$log" >&2; exit 1; }
[ -z "$log" ] && [ -f "$output" ] || { echo "$log" >&2; rm -f "$output"; exit 1; }

# What wixl cannot say in the source, set in the tables:
# - the handler component is installed only where .wav names a file type;
sql() { msibuild "$output" -q "$1" || { echo "$0: query failed: $1" >&2; rm -f "$output"; exit 1; }; }
sql "UPDATE \`Component\` SET \`Condition\` = 'WAVFILETYPE' WHERE \`Component\` = 'Handler'"
# - the upgrade finds the same version too (wixl drops IncludeMaximum), so a
#   build that differs only in the fourth field, which Windows Installer
#   does not compare, replaces the installed one instead of going beside it.
#   768 is "minimum inclusive" and "maximum inclusive".
upgrade_code=$(msiinfo export "$output" Property | tr -d '\r' | awk -F '\t' '$1 == "UpgradeCode" { print toupper($2) }')
[ -n "$upgrade_code" ] || { echo "$0: no upgrade code in $output" >&2; rm -f "$output"; exit 1; }
sql "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'OLDERFOUND'"
sql "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '0.0.0', '$version', 768, 'OLDERFOUND')"
