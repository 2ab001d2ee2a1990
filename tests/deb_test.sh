#!/bin/sh
# The Debian package of tarvo-report, packed from this build tree: unpacked
# with dpkg-deb, its command gives the same bytes as the build's own for
# every sample file, its manual page reads, and lintian finds no error.
# Usage: deb_test.sh BUILD_DIR TARVO-REPORT EXAMPLES-DIR
build=$1 report=$2 examples=$3
. "$(dirname "$0")/checks.sh"

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "0 passed, 1 failed"; exit 1; }
deb=$(ls "$work/out"/tarvo-report_*_amd64.deb)
dpkg-deb -x "$deb" "$work/root"
packed=$work/root/usr/bin/tarvo-report

for form in --raw --; do
  "$report" "$form" "$examples" >"$work/built" 2>&1
  "$packed" "$form" "$examples" >"$work/packed" 2>&1
  check "reports of the samples ($form)" "$(md5sum <"$work/built")" "$(md5sum <"$work/packed")"
done
check "samples reported" "$(ls "$examples"/*.wav | wc -l)" \
  "$(grep -c "^$examples/.*\.wav\$" "$work/packed")"

check "manual page" "tarvo-report - print the chunk report of WAV files" \
  "$(MANWIDTH=200 man -l "$work/root/usr/share/man/man1/tarvo-report.1.gz" 2>&1 |
     sed -n '/^NAME/{n;s/^ *//;p;q}')"

# lintian exits non-zero when it finds an error (at its default level) and
# when it cannot run at all.
lintian "$deb" >"$work/lintian" 2>&1
status=$?
check "lintian exit status; its output: $(cat "$work/lintian")" 0 "$status"

checks_done
