#!/bin/sh
# Builds every preset and runs all tests: natively (plain, with sanitizers,
# the concurrency tests with ThreadSanitizer, and 60 seconds of fuzzing), and
# both Windows builds under Wine.
# On a host that cannot run 32-bit programs, or with TARVO_NO_32BIT=1, the
# 32-bit build is still made and its files are checked without running them
# (CTest label "static"); the 32-bit tests under Wine are named as not run,
# and so is the half of setup.both_widths that needs the 32-bit setup.exe.
# Exits non-zero when anything that ran failed.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/deps.sh" all || exit 1

step() { echo; echo "==== $*"; }

passed=0 failed=0 skipped=0 results="" not_run=""
# record passed|failed|skipped TITLE: one line of the summary.
record() {
  results="$results$(printf '%-8s %s' "$1" "$2")
"
  case $1 in
    passed) passed=$((passed + 1)) ;;
    failed) failed=$((failed + 1)) ;;
    skipped) skipped=$((skipped + 1)) ;;
  esac
}

# run_step TITLE COMMAND...: a step of the summary.
run_step() {
  title=$1
  shift
  step "$title"
  if "$@"; then record passed "$title"; else record failed "$title"; fi
}

summary() {
  step "summary"
  printf '%s' "$results"
  if [ -n "$not_run" ]; then
    echo
    echo "Not run ($why):"
    printf '%s' "$not_run"
  fi
  echo
  echo "$passed passed, $failed failed, $skipped skipped"
}

# build_step PRESET [TARGETS...]: a build failure ends the run.
build_step() {
  step "$1 build"
  if build "$@"; then
    record passed "$1 build"
  else
    record failed "$1 build"
    summary
    exit 1
  fi
}
build() {
  preset=$1
  shift
  cmake --preset "$preset" >/dev/null || return 1
  if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" -j2 --target "$@"
  else
    cmake --build --preset "$preset" -j2
  fi
}

# Whether this host runs 32-bit programs is asked once, of the 32-bit Wine
# loader itself. It is started by a shell, which reports a program the
# kernel refuses as such; timeout alone would hand it to /bin/sh as a script.
why=""
if [ "${TARVO_NO_32BIT:-0}" = 1 ]; then
  why="TARVO_NO_32BIT=1 takes the road of a host that cannot run 32-bit programs"
else
  loader=$(. "$top/scripts/wine-env.sh" && echo "$TARVO_WINE32")
  answer=$(timeout 10 sh -c 'exec "$1" --version' sh "$loader" </dev/null 2>&1)
  status=$?
  if [ "$status" -eq 124 ]; then
    why="this host cannot run 32-bit programs: $loader --version gave no answer in 10 s"
  elif [ "$status" -ne 0 ]; then
    why="this host cannot run 32-bit programs: $(printf '%s' "$answer" | tail -n 1)"
  fi
fi
if [ -n "$why" ]; then
  export TARVO_NO_32BIT=1 TARVO_NO_32BIT_REASON="$why"
  echo "The 32-bit Windows tests under Wine will not run: $why"
else
  echo "32-bit programs run here: $answer"
fi

build_step native
run_step "native tests" ctest --preset native </dev/null

build_step sanitize engine_tests tarvo-report
run_step "native tests with AddressSanitizer and UndefinedBehaviorSanitizer" \
  env ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize </dev/null

# The concurrency tests once more, built with ThreadSanitizer, which sees
# state that two reports on two threads share even when their texts come out
# right. GCC's: clang's static runtime brings an operator new of its own,
# which the engine tests replace. A filter that selects other than the two
# tests must not pass.
thread_sanitizer() {
  cmake -S "$top" -B "$top/build/tsan" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null &&
    cmake --build "$top/build/tsan" -j2 --target engine_tests || return 1
  TSAN_OPTIONS=halt_on_error=1 "$top/build/tsan/tests/engine_tests" --gtest_filter='Concurrency.*' \
    >"$top/build/tsan/concurrency.log" 2>&1
  status=$?
  cat "$top/build/tsan/concurrency.log"
  [ "$status" -eq 0 ] && grep -q '^\[  PASSED  \] 2 tests' "$top/build/tsan/concurrency.log"
}
run_step "the concurrency tests with ThreadSanitizer" thread_sanitizer

run_step "fuzzing the report engine for 60 seconds" "$top/scripts/fuzz.sh" 60

# wine_tests WIDTH ARCH [CTEST-ARGS...]: the preset's tests under Wine, in the
# build tree's own prefix, through the loader of ARCH. Wine's background
# services are started first: started by a test, they would keep CTest's
# output pipe open for ever.
wine_tests() (
  preset=windows-$1
  export WINEARCH=$2 WINEPREFIX="$top/build/windows-$1/wine-prefix"
  shift 2
  . "$top/scripts/wine-env.sh"
  [ -f "$WINEPREFIX/system.reg" ] || "$top/scripts/wine-prefix.sh" "$WINEPREFIX"
  "$TARVO_WINESERVER" -p </dev/null >/dev/null 2>&1
  timeout 120 "$TARVO_WINE" cmd /c exit </dev/null >/dev/null 2>&1
  ctest --preset "$preset" "$@" </dev/null
  status=$?
  "$TARVO_WINESERVER" -k 2>/dev/null
  exit $status
)

# The 64-bit tests install the 32-bit build beside the 64-bit one, so the
# 32-bit build comes first.
build_step windows-x86
if [ -z "$why" ]; then
  run_step "windows-x86 tests under Wine" wine_tests x86 win32
else
  run_step "windows-x86 checks of the built files, without Wine" \
    ctest --preset windows-x86 -L static </dev/null
  record skipped "windows-x86 tests under Wine"
  tests=$(ctest --preset windows-x86 -N -LE static | sed -n 's/^ *Test *#[0-9]*: //p')
  not_run="$not_run  windows-x86 tests under Wine, $(echo "$tests" | wc -l) of them: $(echo $tests)
"
fi

build_step windows-x64
if [ -z "$why" ]; then
  run_step "windows-x64 tests under Wine" wine_tests x64 win64
else
  run_step "windows-x64 tests under Wine (setup.both_widths: its 64-bit half only)" \
    wine_tests x64 win64
  not_run="$not_run  windows-x64: setup.both_widths, the half that runs the 32-bit setup.exe (CTest shows the test as skipped)
"
fi

summary
[ "$failed" -eq 0 ]
