#!/bin/sh
# Prints the reports of the given WAV files or folders (of the sample files in
# examples/ when none is given), building tarvo-report first when needed.
# Only what building and running tarvo-report takes is installed, in a build
# folder of its own (build/run, without tests or benchmarks). Standard output
# holds the reports alone: what the package tools and the build print goes to
# standard error.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/run"
"$top/scripts/deps.sh" run >&2
if [ ! -f "$build/Makefile" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_TESTS=OFF \
    -DTARVO_BUILD_BENCH=OFF >&2
fi
cmake --build "$build" --target tarvo-report -j2 >&2
# Options alone stand for the sample files.
paths=0
for argument in "$@"; do
  case $argument in -*) ;; *) paths=1 ;; esac
done
[ $paths = 1 ] || set -- "$@" "$top"/examples/*.wav
exec "$build/cli/tarvo-report" "$@"
