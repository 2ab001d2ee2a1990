#!/bin/sh
# One run of setup.exe (two for "rerun") in a fresh prefix, with standard
# input not a console, checked through its output, the registry and the
# system directory. Usage: setup-case.sh SETUP_EXE CASE
# CASE is one of: registration rerun no-library upper-case-key
# mixed-case-key no-wav-key empty-file-type no-file-type
# longest-file-type file-type-too-long file-type-unreadable
setup_exe=$1
case_name=$2
. "$(dirname "$0")/wine-test-lib.sh"

class_id='{899a4e00-2984-11d4-bb70-444553540000}'
library_path='C:\windows\system32\tarvo.dll'
approved_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'

# The C runtime writes each line feed to a file as CR LF.
expected_output() {
  printf '\r\n    tarvo is now installed!\r\n\r\n'
  printf '    To use: Right-click a .WAV file in Explorer    \r\n'
  printf '    and select "Properties" then the "Info" tab. \r\n\r\n'
  printf '    press a key to exit setup program...\r\n'
}

# run_setup LABEL: runs setup.exe from the working folder, standard input
# not a console; it must neither wait nor fail.
run_setup() {
  (cd "$case_dir/work" && timeout 60 "$TARVO_WINE" "$setup_exe" </dev/null >"$case_dir/$1.out" 2>"$case_dir/$1.err")
  status=$?
  [ "$status" -eq 0 ] || fail "$1: setup.exe exit status $status (124 means it waited)"
  expected_output >"$case_dir/expected.out"
  cmp -s "$case_dir/expected.out" "$case_dir/$1.out" ||
    fail "$1: standard output differs: $(od -c "$case_dir/$1.out" | head -20)"
}

# The class registration and the approved entry, all naming the library in
# the system directory.
check_server_entries() {
  expect_sz "HKCR\\CLSID\\$class_id" "" "$library_path"
  expect_sz "HKCR\\CLSID\\$class_id\\InProcServer32" "" "$library_path"
  expect_sz "HKCR\\CLSID\\$class_id\\InProcServer32" ThreadingModel Apartment
  expect_sz "$approved_key" "$class_id" "$library_path"
}

# check_handler FILE_TYPE: the handler key exists under FILE_TYPE and is the
# only one written.
check_handler() {
  expect_sz "HKCR\\$1\\shellex\\PropertySheetHandlers\\Tarvo" "" "$class_id"
  count=$(count_handler_keys)
  [ "$count" = 1 ] || fail "expected one handler key, found $count"
}

check_no_handler() {
  count=$(count_handler_keys)
  [ "$count" = 0 ] || fail "expected no handler key, found $count"
}

# set_extension KEY [FILE_TYPE]: creates the extension key, with FILE_TYPE
# as its default value when given.
set_extension() {
  if [ $# -eq 2 ]; then
    wine_reg add "HKCR\\$1" /ve /d "$2" /f || fail "cannot create HKCR\\$1"
  else
    wine_reg add "HKCR\\$1" /f || fail "cannot create HKCR\\$1"
  fi
}

# A file type name of the given length.
type_name() {
  printf 'wavfile%0*d' "$(($1 - 7))" 0
}

new_prefix "$case_name"
printf 'RIFF first build' >"$case_dir/work/tarvo.dll"

case $case_name in
  registration)
    set_extension .wav wavfile
    run_setup run
    check_server_entries
    cmp -s "$case_dir/work/tarvo.dll" "$system32/tarvo.dll" ||
      fail "the library was not copied into the system directory"
    check_handler wavfile
    ;;
  rerun)
    # The second run meets the first run's copy and must keep it, and must
    # write again the entries removed in between.
    set_extension .wav wavfile
    run_setup first
    wine_reg delete "HKCR\\CLSID\\$class_id" /f || fail "cannot delete the class key"
    wine_reg delete "$approved_key" /v "$class_id" /f || fail "cannot delete the approved value"
    wine_reg delete 'HKCR\wavfile\shellex' /f || fail "cannot delete the handler key"
    printf 'RIFF second build, longer' >"$case_dir/work/tarvo.dll"
    run_setup second
    [ "$(cat "$system32/tarvo.dll" 2>/dev/null)" = 'RIFF first build' ] ||
      fail "the copy in the system directory was replaced or removed"
    check_server_entries
    check_handler wavfile
    ;;
  no-library)
    rm "$case_dir/work/tarvo.dll"
    set_extension .wav wavfile
    run_setup run
    [ ! -e "$system32/tarvo.dll" ] || fail "a library appeared in the system directory"
    check_server_entries
    check_handler wavfile
    ;;
  upper-case-key)
    set_extension .WAV WaveSound
    run_setup run
    check_server_entries
    check_handler WaveSound
    ;;
  mixed-case-key)
    set_extension .Wav wavfile
    run_setup run
    check_server_entries
    check_no_handler
    ;;
  no-wav-key)
    run_setup run
    check_server_entries
    check_no_handler
    ;;
  empty-file-type)
    set_extension .wav ""
    run_setup run
    check_server_entries
    check_no_handler
    ;;
  no-file-type)
    set_extension .wav
    run_setup run
    check_server_entries
    check_no_handler
    ;;
  longest-file-type)
    # 219 characters and "\shellex\PropertySheetHandlers\Tarvo" (36) fill
    # the 256-byte key path buffer exactly, NUL included.
    set_extension .wav "$(type_name 219)"
    run_setup run
    check_server_entries
    check_handler "$(type_name 219)"
    ;;
  file-type-too-long)
    set_extension .wav "$(type_name 220)"
    run_setup run
    check_server_entries
    check_no_handler
    ;;
  file-type-unreadable)
    # More than the 256 bytes that setup reads the name into.
    set_extension .wav "$(type_name 300)"
    run_setup run
    check_server_entries
    check_no_handler
    ;;
  *)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac

finish
