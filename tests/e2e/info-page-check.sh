# Sourced after wine-test-lib.sh, in a prefix made by new_prefix where tarvo
# is installed. REPORT_EXE and DRIVER_EXE below are Linux paths or Windows
# paths in the prefix.

# place_sample SAMPLE_WAV [FOLDER]: copies the sample into C:\samples (or
# the given subfolder of it) and sets windows_sample to its Windows path.
place_sample() {
  sample_folder=samples${2:+/$2}
  mkdir -p "$WINEPREFIX/drive_c/$sample_folder"
  cp "$1" "$WINEPREFIX/drive_c/$sample_folder/" || fail "cannot copy $1 into the prefix"
  windows_sample="C:\\$(printf '%s' "$sample_folder" | tr / '\\')\\$(basename "$1")"
}

# check_info_page REPORT_EXE DRIVER_EXE WINDOWS_PATH: opens the file's
# Properties through Wine's own shell and checks that the Info page holds
# exactly what REPORT_EXE --raw prints for the same path, and that this is a
# whole report of the sample. Leaves the page's text in $page and the
# report in $case_dir/report.txt.
page=
check_info_page() {
  page=$WINEPREFIX/drive_c/samples/page.txt
  rm -f "$page"
  timeout 180 "$TARVO_WINE" "$2" "$3" 'C:\samples\page.txt' \
    </dev/null >"$case_dir/open.out" 2>"$case_dir/open.err"
  status=$?
  [ "$status" -eq 0 ] || fail "open_properties exit status $status: $(cat "$case_dir/open.err")"

  timeout 60 "$TARVO_WINE" "$1" --raw "$3" </dev/null \
    >"$case_dir/report.txt" 2>"$case_dir/report.err"
  status=$?
  [ "$status" -eq 0 ] || fail "tarvo-report exit status $status: $(cat "$case_dir/report.err")"

  if [ ! -f "$page" ]; then
    fail "the Info page's text of $3 was not written"
    return
  fi
  cmp "$page" "$case_dir/report.txt" >&2 || fail "the Info page of $3 differs from tarvo-report --raw"
  # Equal texts prove little if both are empty or cut short: the report
  # must show every chunk of the sample.
  for chunk in 'RIFF' 'fmt ' 'bext' 'LIST' 'INFO' 'cue ' 'labl' 'data'; do
    grep -qF -- "$chunk" "$page" || fail "the Info page of $3 does not show the '$chunk' chunk"
  done
}

# check_path_line WINDOWS_PATH: the page's first line is the path.
check_path_line() {
  first_line=$(head -n 1 "$page" | tr -d '\r')
  [ "$first_line" = "$1" ] || fail "the report does not begin with the file's path: '$first_line'"
}

# check_tags_page REPORT_EXE DRIVER_EXE WINDOWS_PATH NAME: the file's Tags
# page holds exactly what REPORT_EXE --tags prints for the same path, with CR
# LF line breaks, NAME (UTF-8) among it.
check_tags_page() {
  tags=$WINEPREFIX/drive_c/samples/tags.txt
  timeout 180 "$TARVO_WINE" "$2" --tags "$3" 'C:\samples\tags.txt' </dev/null >/dev/null 2>"$case_dir/open.err" ||
    fail "open_properties --tags exit status $?: $(cat "$case_dir/open.err")"
  timeout 60 "$TARVO_WINE" "$1" --tags "$3" </dev/null | sed 's/$/\r/' >"$case_dir/tags.txt"
  cmp "$tags" "$case_dir/tags.txt" >&2 || fail "the Tags page of $3 differs from tarvo-report --tags"
  grep -qF -- "$4" "$tags" || fail "the Tags page of $3 does not show '$4'"
}
