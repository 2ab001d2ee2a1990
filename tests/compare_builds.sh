#!/bin/sh
# The Windows build under Wine and the native build must give the same bytes
# for the same file, as --raw reports, JSON descriptions and Tags reports
# (the Windows build's JSON also on four threads): the sample files, the
# tests' data and 600 damaged files.
# Usage: compare_builds.sh WINE-RUNNER WINDOWS-REPORT NATIVE-REPORT SOURCE-DIR WORK-DIR
wine_run=$1 windows=$2 native=$3 source=$4 work=$5
[ -x "$native" ] || { echo "native tarvo-report not built: $native"; exit 1; }
rm -rf "$work" && mkdir -p "$work/files"
cp "$source"/examples/*.wav "$work/files/"
for folder in "$source/tests/data" "$source/tests/crashes"; do
  [ -d "$folder" ] && find "$folder" -type f -exec cp {} "$work/files/" \;
done
python3 "$source/scripts/make-damaged.py" "$work/files/damaged" 600 "$source"/examples/*.wav ||
  { echo "make-damaged.py failed"; exit 1; }
cd "$work" || exit 1
damaged=$(ls files/damaged | wc -l)
[ "$damaged" -eq 600 ] || { echo "make-damaged.py made $damaged files, not 600"; exit 1; }
# Relative paths, so that both builds print the same first line. Every file
# opens: each build must exit 0 (xargs: 123 when a run did not).
find files -type f | LC_ALL=C sort >list
xargs "$native" --raw <list >native.out 2>native.err ||
  { echo "the native build: xargs exit status $?: $(head -n 5 native.err)"; exit 1; }
xargs sh "$wine_run" "$windows" --raw <list >windows.out 2>windows.err ||
  { echo "the Windows build: xargs exit status $?: $(head -n 5 windows.err)"; exit 1; }
# The JSON descriptions and the Tags reports, compared whole.
for mode in json tags; do
  xargs "$native" --$mode <list >native.$mode 2>native.err ||
    { echo "the native build, --$mode: xargs exit status $?: $(head -n 5 native.err)"; exit 1; }
  xargs sh "$wine_run" "$windows" --$mode <list >windows.$mode 2>windows.err ||
    { echo "the Windows build, --$mode: xargs exit status $?: $(head -n 5 windows.err)"; exit 1; }
  cmp native.$mode windows.$mode ||
    { echo "--$mode differs, first in line $(cmp native.$mode windows.$mode | sed 's/.* //')"; exit 1; }
done
xargs sh "$wine_run" "$windows" --json -j 4 <list >windows-threads.json 2>windows.err ||
  { echo "the Windows build, --json -j 4: xargs exit status $?: $(head -n 5 windows.err)"; exit 1; }
cmp native.json windows-threads.json ||
  { echo "the JSON descriptions of -j 4 differ, first in line $(cmp native.json windows-threads.json | sed 's/.* //')"; exit 1; }
files=$(wc -l <list)
if cmp -s native.out windows.out; then
  echo "$files passed, 0 failed"
  exit 0
fi
failed=0
while read -r file; do
  "$native" --raw "$file" >one.native 2>/dev/null
  sh "$wine_run" "$windows" --raw "$file" >one.windows 2>/dev/null
  if ! cmp -s one.native one.windows; then
    failed=$((failed + 1))
    echo "differs: $file"
  fi
done <list
echo "$((files - failed)) passed, $failed failed"
[ "$failed" -eq 0 ] && echo "(the combined outputs differed)" && exit 1
exit 1
