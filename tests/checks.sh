# The checks of the shell-driven tests: sourced; each test ends with
# checks_done, which prints "N passed, N failed" and sets the exit status.
# Also makes the test's scratch folder, $work, removed on exit.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
  fi
}

checks_done() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
