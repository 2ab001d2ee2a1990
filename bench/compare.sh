#!/bin/sh
# Measures tarvo-report against the floor (open, fstat, a 4 KB pread, close
# in one thread) on a folder of 1,000 typical WAV files, and on one file,
# with hyperfine, and --json against --raw on the folder in the same run;
# then 1,000 and 20,000 files with -j 1, -j 2 and the default number of
# threads against the floor, in one hyperfine run (with TARVO_BASELINE naming
# the tarvo-report of another build, its --raw too); compares the largest
# resident size of --json over 20,000 files with that over 1,000; counts the
# system calls of one typical report with strace. Prints the ratios.
# Usage: bench/compare.sh   (after the native preset is built)
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/native"
report="$build/cli/tarvo-report"
floor="$build/bench/floor"
for tool in hyperfine strace /usr/bin/time; do
  command -v $tool >/dev/null || "$top/scripts/deps.sh" all
done
[ -x "$report" ] && [ -x "$floor" ] || { echo "build the native preset first" >&2; exit 1; }

work="$build/bench-files"
rm -rf "$work" && mkdir -p "$work/library"
python3 "$top/examples/make-examples.py" >/dev/null
# 1,000 copies of four typical files: broadcast with a long coding history,
# LIST INFO, cue points with labels, sampler loops.
n=0
while [ $n -lt 250 ]; do
  for kind in broadcast-coding-history info-list cue-points-labels sampler-loops; do
    cp "$top/examples/$kind.wav" "$work/library/$(printf '%04d' $n)-$kind.wav"
  done
  n=$((n + 1))
done
one="$work/library/0000-broadcast-coding-history.wav"

cd "$work"
hyperfine -N --warmup 20 --runs 200 --export-json folder.json \
  "$floor $work/library" "$report --raw -j 1 $work/library" "$report --json -j 1 $work/library" >/dev/null
hyperfine -N --warmup 50 --runs 1000 --export-json one.json \
  "$floor $one" "$report --raw -j 1 $one" >/dev/null

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
for name, label in (("folder", "1,000 files, one process"), ("one", "one file")):
    runs = json.load(open(f"{work}/{name}.json"))["results"]
    floor, report = runs[0]["median"], runs[1]["median"]
    print(f"{label}: floor {floor * 1000:.3f} ms, tarvo-report {report * 1000:.3f} ms, "
          f"ratio {report / floor:.2f}")
runs = json.load(open(f"{work}/folder.json"))["results"]
print(f"--json against --raw, 1,000 files: {runs[2]['median'] * 1000:.3f} ms against "
      f"{runs[1]['median'] * 1000:.3f} ms, ratio {runs[2]['median'] / runs[1]['median']:.2f}")
PY

# The same files twenty times over: memory must not grow with their number.
mkdir -p "$work/many"
for copy in $(seq -w 1 20); do
  mkdir -p "$work/many/$copy" && cp "$work"/library/*.wav "$work/many/$copy/"
done
set -- "$floor $work/library" "$floor $work/many"
for folder in library many; do
  [ -n "${TARVO_BASELINE:-}" ] && set -- "$@" "$TARVO_BASELINE --raw $work/$folder"
  for jobs in "-j 1" "-j 2" ""; do set -- "$@" "$report --raw $jobs $work/$folder"; done
done
hyperfine -N --warmup 3 --runs 30 --export-json threads.json "$@" >/dev/null
python3 - "$work" <<'PY'
import json, sys
runs = json.load(open(f"{sys.argv[1]}/threads.json"))["results"]
floors = {run["command"].split()[-1]: run["median"] for run in runs[:2]}
for run in runs:
    command, median = run["command"], run["median"]
    ratio = median / floors[command.split()[-1]]
    print(f"{median * 1000:8.2f} ms  {ratio:5.2f} x the floor  {command}")
PY

largest() { /usr/bin/time -f %M "$report" --json "$1" 2>&1 >/dev/null | tail -n 1; }
echo "largest resident size with --json: 1,000 files $(largest "$work/library") KB," \
  "20,000 files $(largest "$work/many") KB"

strace -f -o "$work/strace.log" "$report" --raw "$one" >/dev/null
calls=$(awk '/openat\(.*0000-broadcast/{on=1} on{n++} on&&/close\(3\)/{print n; exit}' "$work/strace.log")
echo "system calls from opening the file to closing it: $calls"
strace -c -f "$report" --raw "$one" 2>&1 >/dev/null | tail -n 20
