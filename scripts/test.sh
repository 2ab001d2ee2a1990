#!/bin/sh
# Builds every preset and runs all tests: natively (plain, with sanitizers,
# and 60 seconds of fuzzing), and both Windows builds under Wine.
# Exits non-zero when anything fails.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/deps.sh" all || exit 1

failed=0
step() { echo; echo "==== $*"; }

step "native build"
cmake --preset native >/dev/null && cmake --build --preset native -j2 || exit 1
step "native tests"
ctest --preset native </dev/null || failed=1

step "native tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null && cmake --build --preset sanitize -j2 --target engine_tests tarvo-report || exit 1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset sanitize </dev/null || failed=1

step "fuzzing the report engine for 60 seconds"
"$top/scripts/fuzz.sh" 60 || failed=1

# windows_tests WIDTH ARCH: builds the preset windows-WIDTH and runs its
# tests under Wine in the build tree's own prefix.
windows_tests() {
  step "windows-$1 build"
  cmake --preset "windows-$1" >/dev/null && cmake --build --preset "windows-$1" -j2 || exit 1
  step "windows-$1 tests under Wine"
  prefix="$top/build/windows-$1/wine-prefix"
  export WINEPREFIX="$prefix" WINEARCH=$2 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
  [ -f "$prefix/system.reg" ] || "$top/scripts/wine-prefix.sh" "$prefix"
  # Wine's background services must not be started by a test, or they keep
  # CTest's output pipe open for ever.
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
  ctest --preset "windows-$1" </dev/null || failed=1
  wineserver -k 2>/dev/null
}

# The 64-bit tests install the 32-bit build beside the 64-bit one, so the
# 32-bit build comes first.
windows_tests x86 win32
windows_tests x64 win64

exit $failed
