#!/bin/bash
# Writes the seed inputs of the audio harness into OUTDIR: 0.2 s tones, made
# with the ffmpeg tool like the test fixtures (tests/fixtures/make_fixtures.sh)
# but short and small, one per format the player opens. Each seed is one byte
# naming the extension (the harness's table) followed by the file.
#
# usage: make_audio_seeds.sh OUTDIR
set -euo pipefail

OUT=${1:?usage: make_audio_seeds.sh OUTDIR}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

ff() { ffmpeg -nostdin -y -loglevel error -f lavfi -i "sine=frequency=1000:duration=0.2:sample_rate=$1" \
    -metadata artist=Artist -metadata title=Title "${@:2}"; }

# seed INDEX FILE: the extension byte (octal escape for printf) and the file.
seed() {
    { printf "\\$(printf '%03o' "$1")"; cat "$2"; } >"$OUT/seed_$(basename "$2")"
}

ff 8000 -ac 1 -c:a pcm_s16le "$WORK/tone.wav"
ff 32000 -ac 1 -c:a pcm_s16le "$WORK/tone32k.wav"
ff 8000 -ac 1 -c:a libmp3lame -b:a 8k -id3v2_version 3 "$WORK/tone.mp3"
ff 8000 -ac 1 -c:a libvorbis -q:a 0 "$WORK/tone.ogg"
ff 8000 -ac 1 -c:a flac "$WORK/tone.flac"
ff 8000 -ac 1 -c:a aac -b:a 16k -f mp4 "$WORK/tone.m4a"
ff 8000 -ac 1 -c:a aac -b:a 16k -f adts "$WORK/tone.aac"
ff 8000 -ac 1 -c:a pcm_s16be -f aiff -write_id3v2 1 "$WORK/tone.aif"
ff 8000 -ac 1 -c:a libopus -b:a 6k "$WORK/tone.opus"
ff 8000 -ac 1 -c:a wmav2 -b:a 24k -f asf "$WORK/tone.wma"
ff 16000 -ac 1 -c:a mp2 -b:a 32k -f mp2 "$WORK/tone.mp2"
ff 8000 -ac 1 -c:a flac -f ogg "$WORK/tone.oga"
c++ -O2 -o "$WORK/mp1_writer" "$HERE/../fixtures/mp1_writer.cpp"
"$WORK/mp1_writer" "$WORK/tone32k.wav" "$WORK/tone.mp1"

seed 0 "$WORK/tone.wav"
seed 1 "$WORK/tone.mp3"
seed 2 "$WORK/tone.ogg"
seed 3 "$WORK/tone.flac"
seed 4 "$WORK/tone.m4a"
seed 5 "$WORK/tone.aac"
seed 6 "$WORK/tone.aif"
seed 7 "$WORK/tone.opus"
seed 8 "$WORK/tone.wma"
seed 9 "$WORK/tone.mp2"
seed 10 "$WORK/tone.mp1"
seed 11 "$WORK/tone.oga"
