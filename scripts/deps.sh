#!/bin/sh
# Installs what the project needs from Debian's packages.
# Usage: scripts/deps.sh native|all
#   native: the host compiler, CMake, GoogleTest, Google Benchmark, lintian
#           (the Debian package's test)
#   all:    also mingw-w64, Wine (32-bit), clang with its sanitizer and fuzzer
#           runtime, wixl and msitools (the MSI packages), and the tools the
#           tests and benchmarks drive
set -e
set -- ${1:-all}
native_packages="cmake g++ make googletest libbenchmark-dev lintian"
all_packages="$native_packages python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb imagemagick icoutils tmux clang libclang-rt-14-dev hyperfine strace wixl msitools"
case "$1" in
  native) packages=$native_packages ;;
  all) packages=$all_packages ;;
  *) echo "usage: $0 native|all" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $package" ;;
  esac
done
[ -z "$missing" ] && exit 0

needs_i386=false
case "$missing" in *":i386"*) needs_i386=true ;; esac
line="apt-get install -y --no-install-recommends$missing"
if [ "$(id -u)" != 0 ]; then
  echo "Missing packages. As root, run:" >&2
  $needs_i386 && echo "  dpkg --add-architecture i386" >&2
  echo "  apt-get update && $line" >&2
  exit 1
fi
if $needs_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
$line
