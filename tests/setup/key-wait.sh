#!/bin/sh
# setup.exe's wait for a key on a real console: Wine makes one for a
# terminal, here a tmux pane. key_wait_driver.exe starts setup.exe on that
# console and writes the modifier keys into its input, which no terminal can
# send alone; the key that ends the wait comes through the terminal: a
# letter, or the up arrow, which carries no character. "failure" is the
# letter with no tarvo.dll to install: setup fails and must wait all the same.
# Usage: key-wait.sh SETUP_EXE KEY_WAIT_DRIVER_EXE letter|arrow|failure
setup_exe=$1
driver_exe=$2
setup_status=0
case $3 in
  letter) driver_key=x; tmux_key=x ;;
  arrow) driver_key=up; tmux_key=Up ;;
  failure) driver_key=x; tmux_key=x; setup_status=1 ;;
  *) echo "unknown key $3" >&2; exit 2 ;;
esac
. "$(dirname "$0")/wine-test-lib.sh"

new_prefix "key-wait-$3"
[ "$setup_status" -ne 0 ] || printf 'RIFF' >"$case_dir/work/tarvo.dll"
pane=$case_dir/pane.txt
socket=tarvo-key-wait-$$
session=key-wait

stop_tmux() {
  tmux -L "$socket" kill-server >/dev/null 2>&1
}
trap 'stop_tmux; stop_wine' EXIT

cat >"$case_dir/run.sh" <<RUN
cd '$case_dir/work'
timeout --foreground 120 '$TARVO_WINE' '$driver_exe' '$(windows_path "$setup_exe")' $driver_key
echo EXIT=\$?
sleep 600
RUN

# wait_for TEXT SECONDS: polls the pane until it shows TEXT.
wait_for() {
  i=0
  while [ "$i" -lt "$(($2 * 5))" ]; do
    tmux -L "$socket" capture-pane -p -t "$session" >"$pane" 2>/dev/null
    grep -qF -- "$1" "$pane" && return 0
    sleep 0.2
    i=$((i + 1))
  done
  return 1
}

# The Linux process that runs this prefix's setup.exe.
setup_pid() {
  for dir in /proc/[0-9]*; do
    [ "$(cat "$dir/comm" 2>/dev/null)" = setup.exe ] || continue
    tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    echo "${dir#/proc/}"
    return 0
  done
  return 1
}

cpu_ticks() {
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}

tmux -L "$socket" new-session -d -s "$session" -x 120 -y 40 "sh '$case_dir/run.sh'" ||
  { echo "cannot start tmux" >&2; exit 1; }

if ! wait_for 'press a key to exit setup program...' 90; then
  fail "the prompt never appeared"
elif ! wait_for STILL-WAITING 30; then
  fail "setup.exe did not keep waiting through the modifier keys: $(grep -v '^$' "$pane")"
elif ! grep -qx MODIFIERS-SENT "$pane"; then
  fail "the modifier keys did not reach the console: $(grep -v '^$' "$pane")"
else
  # Two seconds of waiting with the modifier presses still queued: a loop
  # that peeks without pause would use most of a core.
  if pid=$(setup_pid); then
    before=$(cpu_ticks "$pid")
    sleep 2
    after=$(cpu_ticks "$pid")
    [ $((after - before)) -le 20 ] ||
      fail "setup.exe used $((after - before)) ticks of processor time in 2 s of waiting"
  else
    fail "no running setup.exe process found"
  fi
  tmux -L "$socket" send-keys -t "$session" "$tmux_key"
  if ! wait_for EXIT= 30; then
    fail "setup.exe did not end after the key $tmux_key"
  else
    grep -qx "SETUP-EXIT=$setup_status" "$pane" || fail "setup.exe exit status: $(grep SETUP-EXIT "$pane")"
    [ "$setup_status" -eq 0 ] || grep -qF 'Setup failed.' "$pane" ||
      fail "no failure shown: $(grep -v '^$' "$pane")"
    grep -qx 'KEY-KEPT=yes' "$pane" || fail "the key press was taken out of the console input"
    grep -qx 'EXIT=0' "$pane" || fail "the driver failed: $(grep -v '^$' "$pane")"
  fi
fi

stop_tmux
finish
