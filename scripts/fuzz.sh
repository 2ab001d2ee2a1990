#!/bin/sh
# Builds the report fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and fuzzes BuildReport, with and without its
# JSON description and Tags report, for SECONDS (default 60),
# starting from the sample files, the tests' files and the inputs that once
# failed. Prints libFuzzer's final figures. New failures are left in
# build/fuzz/artifacts/; copy them into tests/crashes/ once fixed.
# Usage: scripts/fuzz.sh [SECONDS]   (TARVO_FUZZ_DIR: another work folder)
set -e
seconds=${1:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
out="${TARVO_FUZZ_DIR:-$top/build/fuzz}"
mkdir -p "$out/corpus" "$out/artifacts"
command -v clang++ >/dev/null || "$top/scripts/deps.sh" all

sources="adm broadcast code_page cue describe file file_posix fixed format ixml json sampler small_chunks tag_chunks tags text walker xml xmp"
set --
for name in $sources; do set -- "$@" "$top/report/$name.cpp"; done
flags="-std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
if [ ! -x "$out/report_fuzzer" ] || [ -n "$(find "$top/report" "$top/tests/fuzz" -newer "$out/report_fuzzer" -name '*.[ch]*' | head -n 1)" ]; then
  echo "building the fuzzer..."
  # The engine's XML library, from Debian's libexpat1-dev.
  clang++ $flags -I"$top/report" -I"$top/tests" "$@" "$top/tests/fuzz/report_fuzzer.cpp" \
    -o "$out/report_fuzzer" -lexpat
fi

for seed in "$top"/examples/*.wav "$top"/tests/data/* "$top"/tests/crashes/*; do
  [ -f "$seed" ] && cp "$seed" "$out/corpus/" 2>/dev/null || true
done

cd "$out"
log="$out/last-run.log"
set +e
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ./report_fuzzer -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -dict="$top/tests/fuzz/chunks.dict" \
    -artifact_prefix="$out/artifacts/" corpus >"$log" 2>&1
status=$?
set -e
grep -E '^(#[0-9]+ +DONE|Done [0-9]+ runs|stat::)' "$log" || tail -n 20 "$log"
grep -E 'cov: [0-9]+' "$log" | tail -n 1
if [ $status -ne 0 ]; then
  echo "fuzzing found a failure (exit $status); see $log and $out/artifacts/" >&2
  grep -E 'ERROR|runtime error|report check failed' "$log" | head -n 5 >&2
fi
exit $status
