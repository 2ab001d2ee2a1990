#!/bin/sh
# Runs of setup.exe (and of regsvr32 on tarvo.dll) in a fresh prefix, with
# standard input not a console, checked through their output and exit
# status, the registry, the system directory and the user's folder.
# Usage: setup-case.sh SETUP_EXE CASE TARVO_DLL SETUP_HELPER_EXE
# CASE is one of: registration classes-redirected rerun no-library
# upper-case-key mixed-case-key no-wav-key empty-file-type no-file-type
# longest-file-type file-type-too-long file-type-unreadable copy-refused
# keys-refused uninstall uninstall-foreign uninstall-in-use arguments
setup_exe=$1
case_name=$2
library=$3
helper_exe=$4
. "$(dirname "$0")/wine-test-lib.sh"

class_id='{899a4e00-2984-11d4-bb70-444553540000}'
library_path='C:\windows\system32\tarvo.dll'
approved_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'
# Where setup.exe /user and regsvr32 /n /i:user write.
user_classes='HKCU\Software\Classes'
user_approved='HKCU\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'
# regsvr32 registers the library where it lies: here, outside the system
# directory.
tools_library='C:\tools\tarvo.dll'

# The C runtime writes each line feed to a file as CR LF.
expected_output() {
  printf '\r\n    tarvo is now installed!\r\n\r\n'
  printf '    To use: Right-click a .WAV file in Explorer    \r\n'
  printf '    and select "Properties" then the "Info" tab. \r\n\r\n'
  printf '    press a key to exit setup program...\r\n'
}

# What setup prints after the steps that failed, given one line each, then
# the line END: no message of success, and still the key prompt.
failed_output() {
  end=$1
  shift
  for line in "$@"; do printf '\r\n    %s' "$line"; done
  printf '\r\n\r\n    %s\r\n\r\n    press a key to exit setup program...\r\n' "$end"
}

# What /uninstall prints when no step failed, after the given notes.
uninstalled_output() {
  for line in "$@"; do printf '\r\n    %s' "$line"; done
  printf '\r\n    tarvo is now uninstalled.\r\n\r\n    press a key to exit setup program...\r\n'
}

# run_plain LABEL [ARGUMENT...]: runs setup.exe from the working folder,
# standard input not a console; output in LABEL.out and LABEL.err.
run_plain() {
  label=$1
  shift
  (cd "$case_dir/work" &&
    timeout 60 "$TARVO_WINE" "$setup_exe" "$@" </dev/null >"$case_dir/$label.out" 2>"$case_dir/$label.err")
  status=$?
}

# run_setup LABEL [STATUS [ARGUMENT...]]: one run that must end (not wait)
# with STATUS, 0 when not given, and print exactly expected-LABEL.out: the
# message of success unless the case wrote another.
run_setup() {
  label=$1
  want=${2:-0}
  [ $# -ge 2 ] || expected_output >"$case_dir/expected-$label.out"
  shift
  [ $# -eq 0 ] || shift
  run_plain "$label" "$@"
  [ "$status" -eq "$want" ] ||
    fail "$label: setup.exe exit status $status, expected $want (124 means it waited)"
  cmp -s "$case_dir/expected-$label.out" "$case_dir/$label.out" ||
    fail "$label: standard output differs: $(od -c "$case_dir/$label.out" | head -20)"
}

# check_server_entries [CLASSES APPROVED LIBRARY]: the class registration
# and the approved entry, naming LIBRARY, and the handler keys under
# SystemFileAssociations, which do not depend on the file type; by default
# those of a machine-wide install into the system directory.
check_server_entries() {
  classes=${1:-HKCR} approved=${2:-$approved_key} path=${3:-$library_path}
  expect_sz "$classes\\CLSID\\$class_id" "" "$path"
  expect_sz "$classes\\CLSID\\$class_id\\InProcServer32" "" "$path"
  expect_sz "$classes\\CLSID\\$class_id\\InProcServer32" ThreadingModel Apartment
  expect_sz "$approved" "$class_id" "$path"
  for extension in .wav .bwf; do
    expect_sz "$classes\\SystemFileAssociations\\$extension\\shellex\\PropertySheetHandlers\\Tarvo" "" "$class_id"
  done
}

# run_regsvr32 ARGUMENT...: regsvr32 /s with the arguments on the library
# in C:\tools, which this puts there; its status in $status.
run_regsvr32() {
  mkdir -p "$WINEPREFIX/drive_c/tools" && cp "$library" "$WINEPREFIX/drive_c/tools/tarvo.dll"
  timeout 60 "$TARVO_WINE" regsvr32 /s "$@" "$tools_library" </dev/null >/dev/null 2>&1
  status=$?
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
# The user's folder, and where setup.exe /user puts the library.
for user_dir in "$WINEPREFIX/drive_c/users/"*/AppData; do user_dir=${user_dir%/AppData}; done
user_library="C:\\users\\${user_dir##*/}\\AppData\\Local\\Programs\\tarvo\\tarvo.dll"
user_copy=$user_dir/AppData/Local/Programs/tarvo/tarvo.dll

case $case_name in
  registration)
    # The user has chosen a player, which brings a file type of its own:
    # the handler keys under SystemFileAssociations are what Windows 8 and
    # later read then. Wine's shell does not follow the user's choice, so
    # only the registry is checked.
    set_extension .wav wavfile
    wine_reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.wav\UserChoice' \
      /v ProgId /d MadeUpPlayer.wav /f &&
      wine_reg add 'HKCR\MadeUpPlayer.wav\shell\open\command' /ve /d 'player.exe "%1"' /f ||
      fail "cannot choose the made-up player"
    run_setup run
    check_server_entries
    cmp -s "$case_dir/work/tarvo.dll" "$system32/tarvo.dll" ||
      fail "the library was not copied into the system directory"
    check_handler wavfile
    ;;
  classes-redirected)
    # HKEY_CLASSES_ROOT merges the user's classes over the machine's, and
    # Windows writes a value set through it into the user's classes when the
    # user has the key; Wine merges nothing. So the library's registration
    # runs with HKEY_CLASSES_ROOT redirected to a key of its own, whose .wav
    # names a third file type: each scope must write, read and remove its
    # own classes only, and take the file type from its own .wav.
    redirected='Software\Redirected'
    set_extension .wav wavfile
    wine_reg add "$user_classes\\.wav" /ve /d userwav /f &&
      wine_reg add "HKCU\\$redirected\\.wav" /ve /d redirected /f ||
      fail "cannot create the .wav keys"
    snapshot before
    mkdir -p "$WINEPREFIX/drive_c/tools" && cp "$library" "$WINEPREFIX/drive_c/tools/tarvo.dll"
    redirected_call() {
      timeout 120 "$TARVO_WINE" "$helper_exe" classes-redirected "$redirected" "$tools_library" "$1" \
        </dev/null >"$case_dir/helper.out" 2>&1 || fail "$1: $(cat "$case_dir/helper.out")"
    }
    redirected_call register
    redirected_call user-register
    check_server_entries 'HKLM\Software\Classes' "$approved_key" "$tools_library"
    check_server_entries "$user_classes" "$user_approved" "$tools_library"
    expect_sz 'HKLM\Software\Classes\wavfile\shellex\PropertySheetHandlers\Tarvo' "" "$class_id"
    expect_sz "$user_classes\\userwav\\shellex\\PropertySheetHandlers\\Tarvo" "" "$class_id"
    count=$(count_handler_keys)
    [ "$count" = 2 ] || fail "expected two handler keys, found $count"
    redirected_call unregister
    redirected_call user-unregister
    snapshot after
    same_snapshot before after
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
    # A failed copy stops nothing that does not need it: the entries are
    # still written, for a library that may already be there.
    rm "$case_dir/work/tarvo.dll"
    set_extension .wav wavfile
    failed_output 'Setup failed.' \
      "Copying tarvo.dll from the current folder to $library_path failed: File not found." \
      >"$case_dir/expected-run.out"
    run_setup run 1
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
    # Key names ignore letter case: the shell reads .Wav as .wav.
    set_extension .Wav wavfile
    run_setup run
    check_server_entries
    check_handler wavfile
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
  copy-refused)
    # A system directory that refuses new files, as it does to a user who
    # is not an administrator. Root may write anywhere: its wineserver, which
    # creates the files, is started without that right. Then the same in the
    # user's own folder, where running as administrator is no advice to give.
    set_extension .wav wavfile
    stop_wine
    chmod a-w "$system32" "$user_dir/AppData/Local"
    without_root_rights() {
      stop_wine
      [ "$(id -u)" != 0 ] ||
        setpriv --bounding-set -dac_override,-dac_read_search "$TARVO_WINESERVER" -p \
          </dev/null >/dev/null 2>&1 || fail "cannot start a wineserver without root's file rights"
    }
    without_root_rights
    failed_output 'Setup failed.' \
      "Copying tarvo.dll from the current folder to $library_path failed: Access denied." \
      'Setup must be run from a console opened as administrator.' >"$case_dir/expected-run.out"
    run_setup run 1
    chmod u+w "$system32"
    [ ! -e "$system32/tarvo.dll" ] || fail "a library appeared in the system directory"
    check_server_entries
    check_handler wavfile
    failed_output 'Setup failed.' \
      "Creating the folder ${user_library%\\tarvo\\tarvo.dll} failed: Access denied." \
      >"$case_dir/expected-user.out"
    without_root_rights
    run_setup user 1 /user
    chmod u+w "$user_dir/AppData/Local"
    check_server_entries "$user_classes" "$user_approved" "$user_library"
    ;;
  keys-refused)
    # Under a volatile key the registry refuses a lasting one: the class's
    # server key and the handler key cannot be made; the steps that do not
    # need them still run. Volatile keys last only as long as the
    # wineserver: it is kept running until the end.
    set_extension .wav wavfile
    stop_wine
    "$TARVO_WINESERVER" -p </dev/null >/dev/null 2>&1
    wine_quiet "$helper_exe" volatile-key "CLSID\\$class_id" || fail "cannot make the class key volatile"
    wine_quiet "$helper_exe" volatile-key 'wavfile\shellex' || fail "cannot make wavfile\shellex volatile"
    failed_output 'Setup failed.' \
      "Creating the registry key HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$class_id\\InProcServer32 failed: Subkey must be volatile." \
      'Creating the registry key HKEY_LOCAL_MACHINE\Software\Classes\wavfile\shellex\PropertySheetHandlers\Tarvo failed: Subkey must be volatile.' \
      >"$case_dir/expected-run.out"
    run_setup run 1
    cmp -s "$case_dir/work/tarvo.dll" "$system32/tarvo.dll" || fail "the library was not copied"
    expect_sz "HKCR\\CLSID\\$class_id" "" "$library_path"
    expect_sz "$approved_key" "$class_id" "$library_path"
    # regsvr32 meets the same refusal: DllRegisterServer returns a failure,
    # which Wine's regsvr32 ends with status 5 (3: the library did not load,
    # 4: it lacks the export).
    run_regsvr32
    [ "$status" -eq 5 ] || fail "regsvr32 with keys refused: exit status $status, expected 5"
    # What that run wrote goes again, and nothing missing is a failure.
    uninstalled_output >"$case_dir/expected-uninstall.out"
    run_setup uninstall 0 /uninstall
    [ ! -e "$system32/tarvo.dll" ] || fail "the library is still in the system directory"
    expect_absent "HKCR\\CLSID\\$class_id"
    ;;
  uninstall|uninstall-foreign)
    # Install, then uninstall, each way: setup.exe for the machine and for
    # the user, and regsvr32 on the library where it lies, for each too.
    # The registry, the system directories and the user's folder are as they
    # were before, down to the keys on the handler keys' paths, and what
    # other programs wrote beside tarvo's entries stays: handlers under the
    # same file type and under SystemFileAssociations\.wav, another approved
    # extension, then a "Tarvo" handler key that names another class.
    other_class='{0d0d0d0d-1111-2222-3333-444444444444}'
    set_extension .wav wavfile
    if [ "$case_name" = uninstall-foreign ]; then
      wine_reg add 'HKCR\wavfile\shellex\PropertySheetHandlers\Other' /ve /d "$other_class" /f &&
        wine_reg add 'HKCR\SystemFileAssociations\.wav\shellex\PropertySheetHandlers\Other' \
          /ve /d "$other_class" /f &&
        wine_reg add "$approved_key" /v "$other_class" /d 'C:\other.dll' /f ||
        fail "cannot add the other program's entries"
    fi
    snapshot before
    expected_output >"$case_dir/expected-install-user.out"
    uninstalled_output | tee "$case_dir/expected-again.out" "$case_dir/expected-uninstall-user.out" \
      >"$case_dir/expected-uninstall.out"
    for way in setup setup-user regsvr32 regsvr32-user; do
      classes=HKCR approved=$approved_key
      case $way in *-user) classes=$user_classes approved=$user_approved ;; esac
      case $way in
        setup) run_setup install; path=$library_path ;;
        setup-user) run_setup install-user 0 /user; path=$user_library ;;
        regsvr32) run_regsvr32; path=$tools_library ;;
        regsvr32-user) run_regsvr32 /n /i:user; path=$tools_library ;;
      esac
      [ "$status" -eq 0 ] || fail "$way: exit status $status"
      check_server_entries "$classes" "$approved" "$path"
      expect_sz "$classes\\wavfile\\shellex\\PropertySheetHandlers\\Tarvo" "" "$class_id"
      case $way in
        setup) run_setup uninstall 0 /uninstall ;;
        setup-user)
          cmp -s "$case_dir/work/tarvo.dll" "$user_copy" || fail "setup /user did not copy the library"
          run_setup uninstall-user 0 /user /uninstall ;;
        regsvr32) run_regsvr32 /u ;;
        regsvr32-user) run_regsvr32 /u /n /i:user ;;
      esac
      [ "$status" -eq 0 ] || fail "$way, uninstall: exit status $status"
      snapshot "after-$way"
      same_snapshot before "after-$way"
    done
    wine_reg add 'HKCR\wavfile\shellex\PropertySheetHandlers\Tarvo' /ve /d "$other_class" /f ||
      fail "cannot add the other Tarvo key"
    run_setup again 0 -UNINSTALL
    expect_sz 'HKCR\wavfile\shellex\PropertySheetHandlers\Tarvo' "" "$other_class"
    ;;
  uninstall-in-use)
    # A program has the library loaded: it cannot be deleted now. The
    # machine's is marked for deletion at the next restart, and installing
    # again before then would keep the file it deletes. Windows marks a file
    # so only for an administrator; refused that, as a user's run is, the
    # machine's uninstall fails, and the user's renames the library aside,
    # so that the user can install again at once. A later run of setup, in
    # either mode, deletes what was renamed once it is let go.
    cp "$library" "$case_dir/work/tarvo.dll"
    set_extension .wav wavfile
    run_setup install
    hold_library "$TARVO_WINE" "$helper_exe" "$library_path" "$(windows_path "$case_dir/release")"
    uninstalled_output "$library_path is in use: it will be deleted when Windows restarts." \
      >"$case_dir/expected-uninstall.out"
    run_setup uninstall 0 /uninstall
    cmp -s "$library" "$system32/tarvo.dll" || fail "the library in use was not kept until the restart"
    timeout 120 "$TARVO_WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
      /v PendingFileRenameOperations </dev/null >"$case_dir/pending.out" 2>&1
    grep -qF "\\??\\$library_path" "$case_dir/pending.out" ||
      fail "no deletion at restart is pending: $(cat "$case_dir/pending.out")"
    failed_output 'Setup failed.' "Copying tarvo.dll from the current folder to $library_path failed: \
the file there is to be deleted when Windows restarts; restart Windows, then run setup again." \
      >"$case_dir/expected-reinstall.out"
    run_setup reinstall 1
    # Wine grants every deletion at restart, but refuses to add one to a
    # list of pending operations that is not a REG_MULTI_SZ value.
    wine_reg add 'HKLM\System\CurrentControlSet\Control\Session Manager' \
      /v PendingFileRenameOperations /d refused /f || fail "cannot refuse the deletion at restart"
    failed_output 'Uninstall failed.' "Deleting $library_path failed: Access denied." \
      'Setup must be run from a console opened as administrator.' >"$case_dir/expected-refused.out"
    run_setup refused 1 /uninstall
    touch "$case_dir/release"
    wait "$holder"

    expected_output | tee "$case_dir/expected-install-user.out" >"$case_dir/expected-reinstall-user.out"
    run_setup install-user 0 /user
    hold_library "$TARVO_WINE" "$helper_exe" "$user_library" "$(windows_path "$case_dir/release-user")"
    uninstalled_output \
      "$user_library is in use: renamed tarvo.dll.1.old, it will be deleted the next time setup runs." \
      >"$case_dir/expected-uninstall-user.out"
    run_setup uninstall-user 0 /user /uninstall
    [ ! -e "$user_copy" ] && cmp -s "$library" "$user_copy.1.old" ||
      fail "the library in use was not renamed aside: $(ls "${user_copy%/*}")"
    printf 'RIFF second build' >"$case_dir/work/tarvo.dll"
    run_setup reinstall-user 0 /user
    cmp -s "$case_dir/work/tarvo.dll" "$user_copy" || fail "the new library was not copied"
    cmp -s "$library" "$user_copy.1.old" || fail "the library in use was not kept"
    touch "$case_dir/release-user"
    wait "$holder"
    uninstalled_output | tee "$case_dir/expected-machine.out" >"$case_dir/expected-last-user.out"
    run_setup machine 0 /uninstall
    [ ! -e "$user_copy.1.old" ] || fail "the machine-wide run did not delete the renamed library"
    run_setup last-user 0 /user /uninstall
    [ ! -e "${user_copy%/*}" ] || fail "the user's library folder is left: $(ls "${user_copy%/*}")"
    ;;
  arguments)
    # Help, and arguments setup does not know: nothing is installed and
    # nothing waits. Errors go to standard error, with the usage. Nor does
    # regsvr32 install a library in a folder whose name the ANSI code page
    # cannot hold: the entries would name no file.
    run_plain help '/?'
    [ "$status" -eq 0 ] && tr -d '\r' <"$case_dir/help.out" | grep -qx 'usage: setup.exe \[/uninstall\]' ||
      fail "/?: exit status $status, printed: $(cat "$case_dir/help.out")"
    for arguments in /install '/uninstall extra' '/user /user'; do
      run_plain wrong $arguments
      [ "$status" -eq 2 ] && [ ! -s "$case_dir/wrong.out" ] &&
        tr -d '\r' <"$case_dir/wrong.err" | grep -qx "setup.exe: unexpected argument ${arguments##* }" &&
        grep -q '^usage: setup.exe' "$case_dir/wrong.err" ||
        fail "$arguments: exit status $status, printed: $(cat "$case_dir/wrong.err" "$case_dir/wrong.out")"
    done
    mkdir -p "$WINEPREFIX/drive_c/Ωμέγα" && cp "$library" "$WINEPREFIX/drive_c/Ωμέγα/tarvo.dll"
    LC_ALL=C.UTF-8 timeout 60 "$TARVO_WINE" regsvr32 /s 'C:\Ωμέγα\tarvo.dll' </dev/null >/dev/null 2>&1
    status=$?
    [ "$status" -eq 5 ] || fail "regsvr32 in a folder named in Greek: exit status $status, expected 5"
    expect_absent "HKCR\\CLSID\\$class_id"
    [ ! -e "$system32/tarvo.dll" ] || fail "an argument made setup install"
    ;;
  *)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac

finish
