#!/usr/bin/env bash
# Generates the demo folder `make run` opens: a few short tagged tones made
# with the ffmpeg tool, so that a new user hears something at once.
set -euo pipefail
out=${1:?usage: make-demo.sh OUTDIR}
[ -f "$out/.complete" ] && exit 0
mkdir -p "$out"
tone() { # file frequency seconds title track
  ffmpeg -nostdin -y -loglevel error -f lavfi -i "sine=frequency=$2:duration=$3:sample_rate=44100" \
    -af "volume=0.3,afade=t=in:d=0.05,afade=t=out:st=$(($3 - 1)):d=1" -ac 2 \
    -metadata artist="Quaverly Demo" -metadata album="Tones" -metadata date="2026" \
    -metadata title="$4" -metadata track="$5" "$out/$1"
}
tone "01 A4.mp3" 440 4 "A4" 1
tone "02 E5.ogg" 659 4 "E5" 2
tone "03 C5.flac" 523 4 "C5" 3
tone "04 A5.m4a" 880 4 "A5" 4
printf '01 A4.mp3\n03 C5.flac\n' > "$out/demo.m3u"
touch "$out/.complete"
