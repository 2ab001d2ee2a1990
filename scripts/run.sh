#!/bin/sh
# Prints the reports of the given WAV files or folders (of the sample files in
# examples/ when none is given), building tarvo-report first when needed.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" native
if [ ! -f "$top/build/native/build.ninja" ] && [ ! -f "$top/build/native/Makefile" ]; then
  (cd "$top" && cmake --preset native >/dev/null)
fi
cmake --build "$top/build/native" --target tarvo-report -j2 >/dev/null
if [ $# -eq 0 ]; then
  exec "$top/build/native/cli/tarvo-report" "$top"/examples/*.wav
fi
exec "$top/build/native/cli/tarvo-report" "$@"
