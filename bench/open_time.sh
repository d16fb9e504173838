#!/usr/bin/env bash
# Time and memory to open a file and read its title, for files whose headers
# or tags are large or hostile, beside the same audio with plain tags. Each
# hostile file is a 10 s tone with tags of many entries in its format's own
# structure, about 10 MB in all: an MP3 behind an ID3v2 tag of 40,000,
# 100,000 or 300,000 frames or a 1 MB cover picture
# (tests/fixtures/id3_writer.cpp); a FLAC file with 40,000 or 390,000
# comments (tests/fixtures/flac_comments.cpp); Ogg Vorbis and Opus files
# with 390,000 comments, an M4A file with 120,000 ilst items, WAV files with
# a LIST INFO chunk of 420,000 items, with 280,000 LIST chunks or with an
# ID3v2 chunk of 270,000 frames, an AIFF file with such a chunk, a WMA file
# with 200,000 extended content descriptors, and MP3 files with an APE tag
# of 330,000 items or 80,000 ID3v1 tags at their end
# (tests/fixtures/many_tags.cpp); and a WAV whose rate field has one flipped
# bit (536,915,012 Hz). Each is opened through the library's BASS API by
# qvrender, which reads the length and TAGS_Read's title and stops
# (--seconds 0): the work the player does on its UI thread when a track
# starts. Wall time of the whole process (start-up included), median of
# several runs, and the largest resident size.
# Usage: bench/open_time.sh BUILD
set -uo pipefail
build=${1:-build}
here=$(dirname "$0")
. "$here/common.sh"

runs=5
[ "$quick" = 1 ] && runs=3
dir=$(fixture_dir)/open
mkdir -p "$dir"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

[ -s "$dir/plain.mp3" ] || ff -f lavfi -i "sine=f=1000:d=10:r=44100" -c:a libmp3lame -b:a 128k \
  -id3v2_version 3 -metadata artist=Artist -metadata title=Title "$dir/plain.mp3"
[ -x "$dir/id3_writer" ] || c++ -O2 -o "$dir/id3_writer" "$here/../tests/fixtures/id3_writer.cpp"
for frames in 40000 100000 300000; do
  [ -s "$dir/frames$frames.mp3" ] ||
    "$dir/id3_writer" "$frames" 0 "$dir/plain.mp3" "$dir/frames$frames.mp3"
done
[ -s "$dir/cover.mp3" ] || "$dir/id3_writer" 0 1000000 "$dir/plain.mp3" "$dir/cover.mp3"
[ -s "$dir/plain.flac" ] || ff -f lavfi -i "sine=f=1000:d=10:r=44100" -c:a flac "$dir/plain.flac"
[ -x "$dir/flac_comments" ] || c++ -O2 -o "$dir/flac_comments" "$here/../tests/fixtures/flac_comments.cpp"
for comments in 40000 390000; do
  [ -s "$dir/comments$comments.flac" ] ||
    "$dir/flac_comments" "$comments" "$dir/plain.flac" "$dir/comments$comments.flac"
done
tone() { # OUT [ffmpeg output options...]: the 10 s tone tagged with artist and title
  local out=$1; shift
  [ -s "$dir/$out" ] || ff -f lavfi -i "sine=f=1000:d=10:r=44100" "$@" -metadata artist=Artist \
    -metadata title=Title "$dir/$out"
}
tone plain.ogg -c:a libvorbis
tone plain.opus -c:a libopus
tone plain.m4a -c:a aac -f mp4
tone plain.wav -c:a pcm_s16le
tone plain.aiff -c:a pcm_s16be -f aiff
tone plain.wma -c:a wmav2 -f asf
[ -x "$dir/many_tags" ] || c++ -O2 -o "$dir/many_tags" "$here/../tests/fixtures/many_tags.cpp"
many() { # KIND COUNT IN OUT
  [ -s "$dir/$4" ] || "$dir/many_tags" "$1" "$2" "$dir/$3" "$dir/$4"
}
many ogg 390000 plain.ogg comments390000.ogg
many ogg 390000 plain.opus comments390000.opus
many mp4 120000 plain.m4a items120000.m4a
many wav-info 420000 plain.wav info420000.wav
many wav-lists 280000 plain.wav lists280000.wav
[ -s "$dir/frames270000.mp3" ] || "$dir/id3_writer" 270000 0 "$dir/plain.mp3" "$dir/frames270000.mp3"
many id3-chunk "$dir/frames270000.mp3" plain.wav id3chunk270000.wav
many id3-chunk "$dir/frames270000.mp3" plain.aiff id3chunk270000.aiff
many asf 200000 plain.wma descriptors200000.wma
many ape 330000 plain.mp3 ape330000.mp3
many id3v1 80000 plain.mp3 id3v1x80000.mp3
if [ ! -s "$dir/rate.wav" ]; then
  # The rate field (offset 24 of a plain WAV header) with bit 29 flipped.
  cp "$dir/plain.wav" "$dir/rate.wav"
  printf '\x44\xac\x00\x20' | dd of="$dir/rate.wav" bs=1 seek=24 conv=notrunc status=none
fi

# median wall seconds and largest resident KB of opening FILE
open_cost() {
  local walls=() rss=0 wall kb
  for _ in $(seq "$runs"); do
    read -r _ wall _ < <("$build/cpu_time" "$build/qvrender" --out null:fast --seconds 0 "$1")
    /usr/bin/time -f '%M' -o "$dir/rss" "$build/qvrender" --out null:fast --seconds 0 "$1" \
      >/dev/null 2>&1
    kb=$(tail -1 "$dir/rss")
    walls+=("$wall")
    [ "${kb:-0}" -gt "$rss" ] && rss=$kb
  done
  echo "$(printf '%s\n' "${walls[@]}" | median) $rss"
}

read -r plain_wall plain_rss < <(open_cost "$dir/plain.mp3")
printf '%-20s %9s %9s %8s\n' file size "open s" "RSS MB"
printf '%-20s %8.1fM %9.3f %8.1f\n' plain.mp3 "$(calc "$(stat -c %s "$dir/plain.mp3") / 1048576")" \
  "$plain_wall" "$(calc "$plain_rss / 1024")"
for name in frames40000.mp3 frames100000.mp3 frames300000.mp3 cover.mp3 comments40000.flac \
  comments390000.flac comments390000.ogg comments390000.opus items120000.m4a info420000.wav \
  lists280000.wav id3chunk270000.wav id3chunk270000.aiff descriptors200000.wma ape330000.mp3 \
  id3v1x80000.mp3 rate.wav; do
  read -r wall rss < <(open_cost "$dir/$name")
  size=$(calc "$(stat -c %s "$dir/$name") / 1048576")
  printf '%-20s %8.1fM %9.3f %8.1f\n' "$name" "$size" "$wall" "$(calc "$rss / 1024")"
  result "6 open and title, $name ($(printf '%.1f' "$size") MB)" "$(printf '%.3f s, %.0f MB' \
    "$wall" "$(calc "$rss / 1024")")" "$(printf '%.3f s, %.0f MB' "$plain_wall" \
    "$(calc "$plain_rss / 1024")") (plain.mp3)" "$(printf '%.2f' "$(calc "$wall / $plain_wall")")" "< 1 s" \
    "$(pass_if "$wall < 1")" "bench/open_time.sh BUILD (median of $runs)"
done
