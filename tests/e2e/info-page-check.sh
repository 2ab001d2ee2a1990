# check_info_page REPORT_EXE DRIVER_EXE SAMPLE_WAV: opens the sample's
# Properties through Wine's own shell and checks that the Info page holds
# exactly what REPORT_EXE --raw prints for the same path. Sourced after
# wine-test-lib.sh, in a prefix made by new_prefix where tarvo is installed.
# REPORT_EXE and DRIVER_EXE are Linux paths or Windows paths in the prefix.
check_info_page() {
  page_report_exe=$1
  page_driver_exe=$2
  page_sample=$3
  page_wine=${TARVO_WINE:-wine}

  sample_name=$(basename "$page_sample")
  mkdir -p "$WINEPREFIX/drive_c/samples"
  cp "$page_sample" "$WINEPREFIX/drive_c/samples/$sample_name"
  windows_sample="C:\\samples\\$sample_name"
  page=$WINEPREFIX/drive_c/samples/page.txt
  rm -f "$page"

  timeout 180 "$page_wine" "$page_driver_exe" "$windows_sample" 'C:\samples\page.txt' \
    </dev/null >"$case_dir/open.out" 2>"$case_dir/open.err"
  status=$?
  [ "$status" -eq 0 ] || fail "open_properties exit status $status: $(cat "$case_dir/open.err")"

  timeout 60 "$page_wine" "$page_report_exe" --raw "$windows_sample" </dev/null \
    >"$case_dir/report.txt" 2>"$case_dir/report.err"
  status=$?
  [ "$status" -eq 0 ] || fail "tarvo-report exit status $status: $(cat "$case_dir/report.err")"

  if [ ! -f "$page" ]; then
    fail "the Info page's text was not written"
    return
  fi
  cmp "$page" "$case_dir/report.txt" >&2 || fail "the Info page differs from tarvo-report --raw"
  # Equal texts prove little if both are empty or cut short: the report
  # must name the file and show every chunk of the sample.
  first_line=$(head -n 1 "$page" | tr -d '\r')
  case $first_line in
    *"$windows_sample"*) ;;
    *) fail "the report does not begin with the file's path: '$first_line'" ;;
  esac
  for chunk in 'RIFF' 'fmt ' 'bext' 'LIST' 'INFO' 'cue ' 'labl' 'data'; do
    grep -qF -- "$chunk" "$page" || fail "the Info page does not show the '$chunk' chunk"
  done
}
