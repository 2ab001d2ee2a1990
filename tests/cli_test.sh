#!/bin/sh
# Drives tarvo-report from outside: options, exit statuses, messages, folder
# walks, the output forms, reports on several threads and lists of paths.
# Usage: cli_test.sh TARVO-REPORT EXAMPLES-DIR
report=$1
examples=$2
. "$(dirname "$0")/checks.sh"

# Usage errors and the informative options.
usage="usage: tarvo-report [--raw | --json | --tags] [-j N] [--files-from FILE [-0]] PATH..."
"$report" >/dev/null 2>"$work/err"; check "no path exits 2" 2 $?
check "no path prints usage" "$usage" "$(cat "$work/err")"
"$report" --frobnicate x >/dev/null 2>&1; check "unknown option exits 2" 2 $?
"$report" --raw --json "$examples" >"$work/out" 2>&1; check "--raw with --json exits 2" 2 $?
check "--raw with --json prints only the usage error" 0 "$(grep -c '^{' "$work/out")"
for pair in "--tags --raw" "--json --tags"; do
  "$report" $pair "$examples" >"$work/out" 2>&1; check "$pair exits 2" 2 $?
done
for bad in "-j 0" "-j x" "-j" "--jobs=1025" "-j2x" "--files-from" "--files-from="; do
  # shellcheck disable=SC2086
  "$report" "$examples" $bad >"$work/out" 2>"$work/err"
  check "$bad exits 2, reporting nothing" "2 0" "$? $(wc -c <"$work/out")"
done
"$report" --help >"$work/out"; check "help exits 0" 0 $?
check "help starts with usage" "$usage" "$(head -n 1 "$work/out")"
check "version" "tarvo-report 1.0.0.1" "$("$report" --version)"

# Output that cannot be written (a full disk) is a failure, named.
for jobs in 1 2; do
  "$report" --raw -j $jobs "$examples" >/dev/full 2>"$work/err"
  check "-j $jobs: a full disk exits 1" 1 $?
  check "-j $jobs: a full disk is named" \
    "tarvo-report: cannot write the output: No space left on device" "$(cat "$work/err")"
done

# A path that cannot be opened: its report is the path alone, a message, status 1.
"$report" --raw "$work/none.wav" >"$work/out" 2>"$work/err"; check "missing exits 1" 1 $?
check "missing report is the path" "$work/none.wav" "$(cat "$work/out")"
check "missing message" "tarvo-report: cannot open $work/none.wav: No such file or directory" \
  "$(cat "$work/err")"
check "missing report has no line break" "$(printf %s "$work/none.wav" | wc -c)" \
  "$(wc -c <"$work/out")"

# A path longer than a report can hold: the report is its first 32,767 bytes,
# and the failure is still reported.
long=$(printf '%040000d' 0)
"$report" --raw "$long" >"$work/out" 2>"$work/err"; check "over-long path exits 1" 1 $?
check "over-long path report is cut" 32767 "$(wc -c <"$work/out")"
check "over-long path message" 1 "$(grep -c 'cannot open' "$work/err")"

# A folder stands for its .wav and .bwf files, any letter case, at any depth,
# sorted.
mkdir -p "$work/lib/b" "$work/lib/a"
cp "$examples/info-list.wav" "$work/lib/b/Z.WAV"
cp "$examples/pcm-16bit-stereo-44k.wav" "$work/lib/a/y.Wav"
cp "$examples/broadcast-coding-history.wav" "$work/lib/a/take.BwF"
cp "$examples/sampler-loops.wav" "$work/lib/x.wav"
cp "$examples/sampler-loops.wav" "$work/lib/not-a-wave.txt"
cp "$examples/sampler-loops.wav" "$work/lib/not-a-wave.bwfx"
"$report" --raw "$work/lib" >"$work/out"; check "folder exits 0" 0 $?
check "folder files in sorted order" \
  "$work/lib/a/take.BwF|$work/lib/a/y.Wav|$work/lib/b/Z.WAV|$work/lib/x.wav" \
  "$(grep -a "^$work" "$work/out" | tr -d '\r' | paste -sd '|')"
"$report" --raw "$work/lib/a/take.BwF" "$work/lib/a/y.Wav" "$work/lib/b/Z.WAV" "$work/lib/x.wav" >"$work/each"
check "folder output equals the files' reports" "$(md5sum <"$work/each")" "$(md5sum <"$work/out")"

# --raw is the exact report: Windows-1252 and CR LF.
printf 'RIFF\046\0\0\0WAVEfmt \020\0\0\0\007\0\001\0\100\037\0\0\100\037\0\0\001\0\010\0ICMT\002\0\0\0\267\101' \
  >"$work/mu.wav"
"$report" --raw "$work/mu.wav" >"$work/raw"
check "raw keeps the 0xB5 byte" 1 "$(grep -c "$(printf '\265-law format\r')" "$work/raw")"
check "raw lines end in CR LF" "$(wc -l <"$work/raw")" "$(grep -c "$(printf '\r')\$" "$work/raw")"

# Without --raw: UTF-8, LF, and one empty line between reports.
"$report" "$work/mu.wav" "$work/mu.wav" >"$work/text"
check "text is UTF-8" 2 "$(grep -c 'µ-law format$' "$work/text")"
check "middle dot in UTF-8" 2 "$(grep -c '"·A"$' "$work/text")"
check "no CR in text" 0 "$(grep -c "$(printf '\r')" "$work/text")"
lines=$(wc -l <"$work/raw")
check "reports separated by one empty line" "$((2 * lines + 1))" "$(wc -l <"$work/text")"

# --tags: each file's path, then its tag sections; a file without tag chunks
# gives its path alone, one that cannot be opened too, with its message.
printf 'RIFF\056\0\0\0WAVEiXML\041\0\0\0<BWFXML><SCENE>7</SCENE></BWFXML>\0' >"$work/scene.wav"
"$report" --tags "$work/mu.wav" "$work/scene.wav" "$work/none.wav" >"$work/out" 2>"$work/err"
check "tags of a file that cannot be opened exits 1" 1 $?
check "tags: paths and sections, an empty line between files" \
  "$work/mu.wav||$work/scene.wav||iXML|  Scene:            7||$work/none.wav" \
  "$(paste -sd '|' "$work/out")"
check "tags message" 1 "$(grep -c "cannot open $work/none.wav" "$work/err")"

# A file name is bytes, not Windows-1252 text: the path line shows it as given,
# in both forms, whether or not the bytes are UTF-8, and so does a message.
mkdir "$work/names"
script="$work/names/Ωμέγα 日本 🎵.wav"
latin1="$work/names/$(printf 'caf\351').wav"
cp "$examples/info-list.wav" "$script"
cp "$examples/info-list.wav" "$latin1"
for name in "$script" "$latin1"; do
  "$report" --raw "$name" >"$work/out"
  check "raw path line is the name's bytes" "$name" "$(head -n 1 "$work/out" | tr -d '\r')"
  "$report" "$name" >"$work/out"
  check "text path line is the name's bytes" "$name" "$(head -n 1 "$work/out")"
  check "text after the path line is converted" "RIFF 'WAVE'" "$(sed -n 5p "$work/out")"
done
"$report" --raw "$work/names" >"$work/out"
check "folder sorts names by their bytes" "$latin1|$script" \
  "$(grep -a "^$work" "$work/out" | tr -d '\r' | paste -sd '|')"
"$report" "$work/names/Ωμέγα.wav" >/dev/null 2>"$work/err"
check "message names the path as given" \
  "tarvo-report: cannot open $work/names/Ωμέγα.wav: No such file or directory" "$(cat "$work/err")"

# Several threads: standard output, standard error (alone and mixed with
# standard output) and the exit status are those of -j 1, in every output
# form, over the samples, damaged files, folders and a path that cannot be
# opened.
python3 "$(dirname "$0")/../scripts/make-damaged.py" "$work/damaged" 400 "$examples"/*.wav
set -- "$examples" "$work/damaged" "$work/none.wav" "$work/lib" "$work/mu.wav" "$work/names"
for form in --raw --json --tags ""; do
  "$report" $form -j 1 "$@" >"$work/one" 2>"$work/one.err"
  one=$?
  [ "$form" = --json ] && check "the files compared were reported" 418 "$(grep -c '^{' "$work/one")"
  "$report" $form -j 1 "$@" >"$work/one.mixed" 2>&1
  for jobs in "-j 2" "--jobs=3" "-j16"; do
    # shellcheck disable=SC2086
    "$report" $form $jobs "$@" >"$work/many" 2>"$work/many.err"
    check "$form $jobs: exit status" "$one" "$?"
    check "$form $jobs: output" "$(md5sum <"$work/one")" "$(md5sum <"$work/many")"
    check "$form $jobs: messages" "$(cat "$work/one.err")" "$(cat "$work/many.err")"
    # shellcheck disable=SC2086
    "$report" $form $jobs "$@" >"$work/many.mixed" 2>&1
    check "$form $jobs: output and messages mixed" "$(md5sum <"$work/one.mixed")" \
      "$(md5sum <"$work/many.mixed")"
  done
done

# A report that waits for its turn is held only up to a bound: the JSON
# descriptions of 200,000 chunks (16 MB) twice on two threads stream, the
# second waiting for the first, in a few MB more than on one thread. The
# largest resident size is read while the command waits to write its last MB.
more=$(python3 -c '
import struct, subprocess, sys
body = b"".join(b"JUNK" + struct.pack("<I", 4) + b"abcd" for _ in range(200000))
open(sys.argv[2], "wb").write(b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)
size = len(subprocess.run([sys.argv[1], "--json", sys.argv[2]], stdout=subprocess.PIPE).stdout)
def largest(threads):
    run = subprocess.Popen([sys.argv[1], "--json", "-j", threads, sys.argv[2], sys.argv[2]],
                           stdout=subprocess.PIPE)
    out = b""
    while len(out) < 2 * size - (1 << 20):
        piece = run.stdout.read1(1 << 16)
        if not piece:
            break
        out += piece
    status = open("/proc/%d/status" % run.pid).read()
    out += run.stdout.read()
    run.wait()
    assert size > 16000000 and len(out) == 2 * size
    return int([line.split()[1] for line in status.splitlines() if line.startswith("VmHWM:")][0])
print(largest("2") - largest("1"))
' "$report" "$work/chunks.wav")
check "two long descriptions on two threads take under 8 MB more than on one" yes \
  "$([ "$more" -lt 8192 ] 2>/dev/null && echo yes || echo "$more KB more")"

# Lists of paths: names ended by NULs may hold blanks and line breaks; they
# come after the paths of the command line, folders among them are walked,
# standard input is "-", empty names are skipped, and a list that cannot be
# read is named.
odd="$work/names/a b
c.wav"
cp "$examples/info-list.wav" "$odd"
printf '%s\0%s\0\0%s' "$odd" "$work/lib" "$work/mu.wav" >"$work/list0"
"$report" --raw "$work/mu.wav" "$odd" "$work/lib" "$work/mu.wav" >"$work/expected"
"$report" --raw "$work/mu.wav" "$work/lib" >"$work/expected.lines"
for jobs in 1 2; do
  "$report" --raw -j $jobs "$work/mu.wav" -0 --files-from "$work/list0" >"$work/out" 2>"$work/err"
  check "-j $jobs: NUL-separated list after the command line" \
    "0 $(md5sum <"$work/expected")" "$? $(md5sum <"$work/out")"
  printf '%s\n\n%s\n' "$work/mu.wav" "$work/lib" |
    "$report" --raw -j $jobs --files-from - --files-from "$work/missing-list" >"$work/out" 2>"$work/err"
  check "-j $jobs: lines on standard input, then a missing list" \
    "1 $(md5sum <"$work/expected.lines")" "$? $(md5sum <"$work/out")"
  check "-j $jobs: the missing list is named" \
    "tarvo-report: cannot read $work/missing-list: No such file or directory" "$(cat "$work/err")"
done

checks_done
