#!/bin/sh
# Installs what the project needs from Debian's packages.
# Usage: scripts/deps.sh run|native|all
#   run:    what building and running tarvo-report takes: the host compiler,
#           CMake and make
#   native: the host compiler, CMake, GoogleTest, Google Benchmark, lintian
#           (the Debian package's test), Python with its JSON Schema
#           validator (the JSON output's test)
#   all:    also mingw-w64, Wine, clang with its sanitizer and fuzzer
#           runtime, wixl and msitools (the MSI packages), and the tools the
#           tests and benchmarks drive
# Wine comes in two parts: wine64 (the 64-bit loader and server, which the
# 64-bit tests use) and wine32:i386 (the 32-bit ones). The second is
# installed on its own: on a host that cannot run 32-bit programs it may
# fail to install or to run, and the rest must not depend on it; the test
# command then checks the 32-bit build without running it.
set -e
set -- ${1:-all}
run_packages="cmake g++ make"
native_packages="$run_packages googletest libbenchmark-dev lintian python3 python3-jsonschema"
all_packages="$native_packages g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb imagemagick icoutils tmux clang libclang-rt-14-dev hyperfine strace time wixl msitools"
wine32_package=""
case "$1" in
  run) packages=$run_packages ;;
  native) packages=$native_packages ;;
  all) packages=$all_packages wine32_package=wine32:i386 ;;
  *) echo "usage: $0 run|native|all" >&2; exit 2 ;;
esac

installed() {
  case "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" in
    *"install ok installed"*) return 0 ;;
    *) return 1 ;;
  esac
}
missing=""
for package in $packages; do
  installed "$package" || missing="$missing $package"
done
if [ -n "$wine32_package" ] && ! installed "$wine32_package"; then
  missing32=$wine32_package
else
  missing32=""
fi
[ -z "$missing$missing32" ] && exit 0

line="apt-get install -y --no-install-recommends"
if [ "$(id -u)" != 0 ]; then
  if [ -n "$missing" ]; then
    echo "Missing packages. As root, run:" >&2
    [ -n "$missing32" ] && echo "  dpkg --add-architecture i386" >&2
    echo "  apt-get update && $line$missing $missing32" >&2
    exit 1
  fi
  echo "$missing32 is missing: the 32-bit Windows tests cannot run. As root, run:" >&2
  echo "  dpkg --add-architecture i386 && apt-get update && $line $missing32" >&2
  exit 0
fi
if [ -n "$missing32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
[ -z "$missing" ] || $line$missing
if [ -n "$missing32" ] && ! $line $missing32; then
  echo "$missing32 could not be installed: the 32-bit Windows tests cannot run" >&2
fi
exit 0
