#!/bin/sh
# Makes the small WAV files in this folder with common audio tools, so that
# the report is checked against headers it did not write itself.
# Needs sox, ffmpeg and sndfile-programs. Run from anywhere; the files land
# beside this script. sox and ffmpeg are run so that their output is the same
# on every run: sox with -R (no random dither), ffmpeg with its bitexact flags
# (no version text). The libsndfile programs stamp the PEAK chunk with the
# time of writing, so that file differs from run to run in those 4 bytes.
set -eu
cd "$(dirname "$0")"

tone() { sox -R -n "$@" synth 0.02 sine 440 gain -6; }

tone -b 16 -c 2 -r 44100 pcm16-stereo-44k.wav
tone -b 24 -c 1 -r 48000 pcm24-mono-48k.wav
tone -e floating-point -b 32 -c 1 -r 48000 float32-mono-48k.wav
tone -b 24 -c 6 -r 48000 extensible-24bit-6ch-48k.wav
tone -e a-law -b 8 -c 1 -r 8000 alaw-mono-8k.wav
tone -e u-law -b 8 -c 1 -r 8000 ulaw-mono-8k.wav
tone -e ima-adpcm -b 4 -c 1 -r 8000 ima-adpcm-mono-8k.wav

ff() {
  ffmpeg -nostdin -loglevel error -y -f lavfi \
    -i "sine=frequency=440:sample_rate=48000:duration=0.02" \
    -fflags +bitexact -flags:a +bitexact "$@"
}

ff -ac 6 -channel_layout "5.1(side)" -c:a pcm_s16le extensible-16bit-5.1side-48k.wav

# A broadcast WAV file: description, originator and a coding history of two
# lines ended by CR LF (the x keeps the shell from dropping the last LF).
history=$(printf 'A=PCM,F=48000,W=16,M=mono,T=sine\r\nA=PCM,F=48000,W=16,M=mono,T=copy\r\nx')
ff -ac 1 -c:a pcm_s16le -write_bext 1 \
  -metadata description="Tone for the report tests" \
  -metadata originator="tarvo tests" \
  -metadata originator_reference="TARVO0001" \
  -metadata origination_date="2024-03-01" \
  -metadata origination_time="12:34:56" \
  -metadata time_reference="172800000" \
  -metadata coding_history="${history%x}" \
  broadcast-16bit-mono-48k.wav

# A floating-point broadcast file as libsndfile writes it: fact and PEAK
# before the samples, a version 2 bext with a UMID text and loudness values,
# and LIST INFO after the samples.
sndfile-convert -float32 pcm16-stereo-44k.wav float-peak.tmp.wav
sndfile-metadata-set --bext-description "Hall take 3" --bext-originator "tarvo tests" \
  --bext-orig-ref "TARVO0002" --bext-orig-date 2024-03-02 --bext-orig-time 01:02:03 \
  --bext-time-ref 96000 --bext-umid "UMIDTEXT" --bext-loudness-value "-23.5" \
  --bext-coding-hist "A=PCM,F=44100,W=32,M=stereo,T=convert" \
  --str-title "Hall take" --str-artist "Quartet" --str-comment "tuned A=442" \
  float-peak.tmp.wav broadcast-float-peak-info-44k.wav >/dev/null 2>&1
rm float-peak.tmp.wav

# An RF64 file: ds64 first, then fmt, LIST INFO and data, whose 32-bit size
# reads 0xFFFFFFFF as does the RIFF length. (ffmpeg writes LIST INFO before
# the samples.)
ff -ac 1 -c:a pcm_s16le -rf64 always -metadata title="Long take" rf64-16bit-mono-48k-info.wav
