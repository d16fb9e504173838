#!/usr/bin/env bash
# Time and memory to open a file and read its title, for files whose headers
# or tags are large or hostile, beside the same audio with plain tags: a
# 10 s MP3 behind an ID3v2 tag of 40,000, 100,000 and 300,000 frames (the
# last about 10 MB) or a 1 MB cover picture, a 10 s FLAC file with 40,000
# and 390,000 comments (about 10 MB), and a WAV whose rate field has one
# flipped bit (536,915,012 Hz). Each is opened through the library's
# BASS API by qvrender, which reads the length and TAGS_Read's title and
# stops (--seconds 0): the work the player does on its UI thread when a
# track starts. Wall time of the whole process (start-up included), median
# of several runs, and the largest resident size.
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
if [ ! -s "$dir/rate.wav" ]; then
  ff -f lavfi -i "sine=f=1000:d=10:r=44100" -c:a pcm_s16le "$dir/plain.wav"
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
  comments390000.flac rate.wav; do
  read -r wall rss < <(open_cost "$dir/$name")
  size=$(calc "$(stat -c %s "$dir/$name") / 1048576")
  printf '%-20s %8.1fM %9.3f %8.1f\n' "$name" "$size" "$wall" "$(calc "$rss / 1024")"
  result "6 open and title, $name ($(printf '%.1f' "$size") MB)" "$(printf '%.3f s, %.0f MB' \
    "$wall" "$(calc "$rss / 1024")")" "$(printf '%.3f s, %.0f MB' "$plain_wall" \
    "$(calc "$plain_rss / 1024")") (plain.mp3)" "$(printf '%.2f' "$(calc "$wall / $plain_wall")")" "< 1 s" \
    "$(pass_if "$wall < 1")" "bench/open_time.sh BUILD (median of $runs)"
done
