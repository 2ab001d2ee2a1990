#!/bin/sh
# Builds every preset and runs all tests: natively, and the Windows build
# under Wine. Exits non-zero when anything fails.
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

step "windows-x86 build"
cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86 -j2 || exit 1
step "windows-x86 tests under Wine"
prefix="$top/build/windows-x86/wine-prefix"
[ -f "$prefix/system.reg" ] || "$top/scripts/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# Wine's background services must not be started by a test, or they keep
# CTest's output pipe open for ever.
wineserver -p </dev/null >/dev/null 2>&1
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
ctest --preset windows-x86 </dev/null || failed=1
wineserver -k 2>/dev/null

exit $failed
