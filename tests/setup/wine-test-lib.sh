# Shared by the Wine tests of setup.exe and of the whole install: a fresh
# prefix per test, Wine calls that cannot hang the test, registry checks.
# Sourced; needs TARVO_TEMPLATE_PREFIX (made by make-template-prefix.sh) and
# TARVO_TEST_WORK (a folder this test may fill); TARVO_WINEARCH is win32
# unless set. Wine is started through the loader of that width
# (scripts/wine-env.sh).

set -u
tarvo_top=$(cd "$(dirname "$0")/../.." && pwd)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Ends the test. A prefix takes about 600 MB: it is kept only when a check
# failed, to look into.
finish() {
  stop_wine
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; the prefix is kept in $case_dir" >&2
    exit 1
  fi
  rm -rf "$case_dir/prefix"
  echo "all checks passed"
  exit 0
}

# finish_skipped WHAT: ends a test of which a part could not run here. The
# checks that ran must pass; the test then ends with CTest's skip status 77
# (SKIP_RETURN_CODE), never as passed.
finish_skipped() {
  [ "$failures" -eq 0 ] || finish
  stop_wine
  rm -rf "$case_dir/prefix"
  echo "the checks that ran passed; not run: $1"
  exit 77
}

# new_prefix NAME: a copy of the template prefix and an empty working folder
# under TARVO_TEST_WORK/NAME; exports the Wine environment for them.
new_prefix() {
  case_dir=$TARVO_TEST_WORK/$1
  rm -rf "$case_dir"
  mkdir -p "$case_dir/work"
  cp -a "$TARVO_TEMPLATE_PREFIX" "$case_dir/prefix" || { echo "cannot copy the template prefix" >&2; exit 1; }
  export WINEPREFIX=$case_dir/prefix WINEARCH=${TARVO_WINEARCH:-win32}
  . "$tarvo_top/scripts/wine-env.sh"
  unset DISPLAY
  system32=$WINEPREFIX/drive_c/windows/system32
  # The registry view of the programs under test, named although the 64-bit
  # reg.exe defaults to it: CLSID has a second, 32-bit view there.
  reg_view= reg_wine=$TARVO_WINE
  if [ "$WINEARCH" = win64 ]; then use_view 64; fi
}

# use_view 32|64: the registry calls that follow see that view of a 64-bit
# prefix, through the reg.exe of that width: Wine's 64-bit reg.exe with
# /reg:32 does not show HKCR as 32-bit programs see it (the handler key the
# 32-bit setup.exe writes under HKCR\wavfile is missing there).
use_view() {
  reg_view=/reg:$1
  if [ "$1" = 32 ]; then reg_wine=$TARVO_WINE32; else reg_wine=$TARVO_WINE64; fi
}

# wine_reg ARGS: reg.exe in the registry view of the programs under test;
# its output is not wanted.
wine_reg() {
  timeout 120 "$reg_wine" reg "$@" $reg_view </dev/null >/dev/null 2>&1
}

# Stops this test's wineserver (and with it every Wine process of the
# prefix), which also writes the registry out to the prefix's .reg files.
stop_wine() {
  timeout 60 "$TARVO_WINESERVER" -k </dev/null >/dev/null 2>&1
  timeout 60 "$TARVO_WINESERVER" -w </dev/null >/dev/null 2>&1
  return 0
}

# The Windows path of a file: drive Z: is the Linux root.
windows_path() {
  printf 'Z:%s' "$1" | tr / '\\'
}

# wine_quiet ARGS: a Wine call whose output is not wanted. Standard streams
# never reach the test's own, so Wine's background services cannot hold
# CTest's output pipe open.
wine_quiet() {
  timeout 120 "$TARVO_WINE" "$@" </dev/null >/dev/null 2>&1
}

# reg_query ARGS: reg.exe query in the registry view of the programs under
# test, its output in reg.out of the case's folder and its exit status in
# $query_status. Status 0 when found, 1 when reg.exe says it is unable to
# find the key or value, 2 when it failed otherwise, or timed out, twice:
# one failed call on a loaded machine says nothing of the registry.
reg_query() {
  for attempt in 1 2; do
    timeout 120 "$reg_wine" reg query "$@" $reg_view </dev/null >"$case_dir/reg.out" 2>&1
    query_status=$?
    [ "$query_status" -ne 0 ] || return 0
    [ "$query_status" -ne 1 ] || ! grep -qi 'unable to find the specified registry' "$case_dir/reg.out" ||
      return 1
  done
  return 2
}

# reg_sz KEY NAME: sets $sz_data to the data of the REG_SZ value NAME of KEY
# ("" for the default value). Status 1 when there is no such string value,
# 2 when reg.exe could not tell (reg_query).
reg_sz() {
  if [ -z "$2" ]; then
    label='(Default)'
    reg_query "$1" /ve || return
  else
    label=$2
    reg_query "$1" /v "$2" || return
  fi
  sz_data=$(tr -d '\r' <"$case_dir/reg.out" | awk -v label="$label" '
    index($0, "    " label "    REG_SZ    ") == 1 { print substr($0, length(label) + 19); found = 1; exit }
    END { exit found ? 0 : 1 }')
}

# expect_sz KEY NAME DATA: the value exists, is a string, and holds DATA.
expect_sz() {
  reg_sz "$1" "$2"
  case $? in
    0) [ "$sz_data" = "$3" ] || fail "$1 '${2:-(default)}' holds '$sz_data', expected '$3'" ;;
    1) fail "no string value '${2:-(default)}' in $1" ;;
    *) fail "cannot read '${2:-(default)}' of $1: reg.exe exit status $query_status: $(tr -d '\r' <"$case_dir/reg.out")" ;;
  esac
}

# expect_absent KEY [NAME]: the registry has no KEY ("" or no NAME), or KEY
# has no value NAME. Only reg.exe's own "unable to find" counts as absent: a
# query that failed otherwise or timed out says nothing, and fails too.
expect_absent() {
  if [ -n "${2:-}" ]; then
    absent_what="$1 '$2'"
    reg_query "$1" /v "$2"
  else
    absent_what=$1
    reg_query "$1"
  fi
  case $? in
    0) fail "$absent_what is present" ;;
    1) ;;
    *) fail "cannot tell whether $absent_what is absent: reg.exe exit status $query_status: $(tr -d '\r' <"$case_dir/reg.out")" ;;
  esac
}

# Counts the keys named <file type>\shellex\PropertySheetHandlers\Tarvo
# anywhere in the saved registry (those under SystemFileAssociations are
# checked by name). Stops Wine first so that the .reg files are current.
count_handler_keys() {
  stop_wine
  cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" | grep -v 'SystemFileAssociations' |
    grep -c '\\\\shellex\\\\PropertySheetHandlers\\\\Tarvo\]'
}

# snapshot NAME [KEYS]: the saved registry without its time stamps (only the
# keys whose path matches the extended regular expression KEYS, when given),
# and the names and sizes of the files in the system directories and in the
# user's local application data folder. Wine rewrites its device classes
# whenever a program with windows starts (regsvr32, msiexec): they are left
# out.
snapshot() {
  stop_wine
  cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" |
    sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' |
    keys=${2:-.} awk '/^\[/ {
        keep = substr($0, 2) ~ ENVIRON["keys"] && index($0, "[System\\\\CurrentControlSet\\\\Control\\\\Class\\\\") != 1
      } keep' >"$case_dir/$1.reg"
  for dir in "$system32" "$WINEPREFIX/drive_c/windows/syswow64"; do
    [ ! -d "$dir" ] || find "$dir" -maxdepth 1 -printf '%p %s\n'
  done | sort >"$case_dir/$1.files"
  find "$WINEPREFIX/drive_c/users/"*/AppData/Local -printf '%p %s\n' | sort >>"$case_dir/$1.files"
}

# same_snapshot A B: the two states are the same.
same_snapshot() {
  for part in reg files; do
    diff "$case_dir/$1.$part" "$case_dir/$2.$part" >"$case_dir/$1-$2.diff" ||
      fail "$2 differs from $1 ($part): $(head -20 "$case_dir/$1-$2.diff")"
  done
}

# hold_library LOADER HELPER_EXE LIBRARY RELEASE: starts the helper, which
# loads LIBRARY (a Windows path) and holds it until the Windows path RELEASE
# exists, and waits until it has the library loaded; its process is $holder.
hold_library() {
  # The output of a helper started earlier would read as this one's.
  rm -f "$case_dir/holder.out"
  timeout 150 "$1" "$2" hold-library "$3" "$4" </dev/null >"$case_dir/holder.out" 2>&1 &
  holder=$!
  i=0
  until grep -q LOADED "$case_dir/holder.out" 2>/dev/null || [ "$i" -ge 300 ]; do
    sleep 0.2
    i=$((i + 1))
  done
  grep -q LOADED "$case_dir/holder.out" || fail "the library was not loaded: $(cat "$case_dir/holder.out")"
}
