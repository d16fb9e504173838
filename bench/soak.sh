#!/usr/bin/env bash
# Soak run: the real player on a folder of short generated tracks in the
# repeat-all order (QUAVERLY_AUDIO=null:fast, so hundreds of tracks a minute
# go by), with random Next / Previous / Skip / Pause commands sent to it
# through its diagnostic command FIFO, its resident memory sampled into a CSV.
# At the end it checks: the player is alive and closes normally when asked
# (no deadlock), memory is flat (the last quarter's mean RSS within 10% of
# the second quarter's), the play log only ever moved one row forward, one
# row back after a Previous, or reopened a row after a Pause that met the
# end of a track, and every track was played the expected number of times.
# Usage: bench/soak.sh [DURATION_SECONDS (3600)] [BUILD (build)]
set -uo pipefail
duration=${1:-3600}
build=${2:-build}
tracks=20
sample_every=5

case $duration in '' | *[!0-9]*) echo "usage: $0 [DURATION_SECONDS] [BUILD]" >&2; exit 2 ;; esac
[ -x "$build/quaverly" ] || { echo "no player at $build/quaverly (build first)" >&2; exit 2; }

work=$(mktemp -d /tmp/quaverly-soak-XXXXXX)
player=""
sender=""
cleanup() {
  [ -n "$sender" ] && kill "$sender" 2>/dev/null
  [ -n "$player" ] && kill -KILL "$player" 2>/dev/null
  wait 2>/dev/null
  exec 7>&- 2>/dev/null
}
trap cleanup EXIT
echo "soak: ${duration}s in $work"

# Tracks of 1 to 2 s, named in play order, listed in a playlist.
mkdir -p "$work/music"
for i in $(seq 1 $tracks); do
  name=$(printf '%02d.mp3' "$i")
  length=$(awk -v i="$i" -v n="$tracks" 'BEGIN { printf "%.2f", 1 + (i - 1) / (n - 1) }')
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=$((200 + 40 * i)):duration=$length" \
    -ac 2 -c:a libmp3lame -b:a 128k -metadata title="Track $i" "$work/music/$name" || exit 2
  echo "$name" >>"$work/music/list.m3u8"
done

cp "$build/quaverly" "$build/libquaverly-codecs.so" "$work/"
printf '[Quaverly]\n_Order=1\n' >"$work/quaverly.ini"
mkfifo "$work/commands"
exec 7<>"$work/commands" # held open, so the player never sees an end

QT_QPA_PLATFORM=offscreen QUAVERLY_AUDIO=null:fast XDG_RUNTIME_DIR=$work \
  QUAVERLY_MESSAGE_LOG=$work/messages.log QUAVERLY_PLAY_LOG=$work/played.log \
  QUAVERLY_COMMAND_FIFO=$work/commands \
  "$work/quaverly" "$work/music/list.m3u8" >"$work/player.out" 2>&1 &
player=$!

# Random commands: each line is run by the player as one step.
send_commands() {
  while :; do
    sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.2f", 0.3 + r / 32767 * 1.7 }')"
    case $((RANDOM % 10)) in
      0 | 1 | 2 | 3) echo next >&7; echo next >>"$work/sent.log" ;;
      4 | 5) echo prev >&7; echo prev >>"$work/sent.log" ;;
      6 | 7) echo "skip skip" >&7; echo skip >>"$work/sent.log" ;; # marked and unmarked
      8 | 9)
        echo playpause >&7
        sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.2f", 0.1 + r / 32767 * 0.6 }')"
        echo playpause >&7
        echo pause >>"$work/sent.log" ;;
    esac
  done
}
send_commands &
sender=$!

plays() { [ -f "$work/played.log" ] && wc -l <"$work/played.log" || echo 0; }

echo "seconds,rss_kb,plays" >"$work/rss.csv"
start=$(date +%s)
last_plays=0
last_progress=$start
failed=""
while :; do
  now=$(date +%s)
  elapsed=$((now - start))
  [ "$elapsed" -ge "$duration" ] && break
  if ! kill -0 "$player" 2>/dev/null; then failed="the player died after ${elapsed}s"; break; fi
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$player/status" 2>/dev/null)
  count=$(plays)
  echo "$elapsed,${rss:-0},$count" >>"$work/rss.csv"
  if [ "$count" -gt "$last_plays" ]; then
    last_plays=$count
    last_progress=$now
  elif [ $((now - last_progress)) -ge 60 ]; then
    failed="no track opened for 60 s after ${elapsed}s (deadlock?)"
    break
  fi
  sleep "$sample_every"
done
kill "$sender" 2>/dev/null
wait "$sender" 2>/dev/null
sender=""

# Alive and answering: a Next must open a track, then a normal close.
if [ -z "$failed" ]; then
  before=$(plays)
  echo next >&7
  for _ in $(seq 100); do [ "$(plays)" -gt "$before" ] && break; sleep 0.1; done
  [ "$(plays)" -gt "$before" ] || failed="the player did not answer a Next at the end"
fi
if [ -z "$failed" ]; then
  kill -TERM "$player"
  for _ in $(seq 200); do kill -0 "$player" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$player" 2>/dev/null; then
    failed="the player did not close within 20 s of SIGTERM (deadlock?)"
  else
    wait "$player"
    code=$?
    player=""
    [ "$code" -eq 1 ] || failed="the player exited with $code instead of 1"
  fi
fi

# Memory: the second and the last quarter of the samples.
read -r q2 q4 samples < <(awk -F, 'NR > 1 { rss[++n] = $2 }
  END {
    for (i = int(n / 4) + 1; i <= int(n / 2); ++i) { a += rss[i]; na++ }
    for (i = int(3 * n / 4) + 1; i <= n; ++i) { b += rss[i]; nb++ }
    printf "%d %d %d\n", na ? a / na : 0, nb ? b / nb : 0, n
  }' "$work/rss.csv")
printf 'RSS: second quarter mean %d kB, last quarter mean %d kB (%d samples)\n' "$q2" "$q4" "$samples"
if [ "$q2" -gt 0 ] && [ $((q4 * 100)) -gt $((q2 * 110)) ]; then
  failed="${failed:+$failed; }memory grew: $q2 kB -> $q4 kB"
fi

# The walk through the play order, one row per step.
sent_prev=$(grep -c '^prev$' "$work/sent.log" 2>/dev/null)
sent_pause=$(grep -c '^pause$' "$work/sent.log" 2>/dev/null)
walk=$(awk -v n=$tracks -v prevs="${sent_prev:-0}" -v pauses="${sent_pause:-0}" '
  FNR == NR { row[$0] = FNR - 1; next }
  {
    sub(/.*\//, "")
    if (!($0 in row)) { print "unknown location " $0; bad++; next }
    r = row[$0]; played[r]++
    if (count++ == 0) { net[r]++; at = r; next }
    d = (r - at + n) % n
    if (d == 1) { forward++; net[r]++ }
    else if (d == n - 1) { back++; net[at]-- }
    else if (d == 0) replay++
    else { bad++; if (bad <= 5) print "jump from row " at " to row " r " at play " count }
    at = r
  }
  END {
    lo = net[0]; hi = net[0]; ordered = 1; unplayed = 0
    for (i = 0; i < n; ++i) {
      if (net[i] < lo) lo = net[i]
      if (net[i] > hi) hi = net[i]
      if (i > 0 && net[i] > net[i - 1]) ordered = 0
      if (!played[i]) unplayed++
    }
    printf "plays %d: forward %d, back %d (of %d Previous), reopened %d (of %d pauses)\n",
      count, forward, back, prevs, replay, pauses
    printf "laps per track (plays net of Previous steps): %d..%d\n", lo, hi
    line = "plays per track:"
    for (i = 0; i < n; ++i) line = line " " played[i] + 0
    print line
    ok = bad == 0 && back <= prevs && replay <= 2 * pauses && hi - lo <= 1 && ordered && !unplayed
    print ok ? "WALK OK" : "WALK FAILED"
  }' "$work/music/list.m3u8" "$work/played.log")
echo "$walk"
echo "$walk" | grep -q '^WALK OK$' || failed="${failed:+$failed; }the play order was broken"

last_line=$(tail -n 1 "$work/played.log")
saved=$(sed -n 's/^_LastPlayed=//p' "$work/quaverly.ini" | tr -d '\r')
[ "$saved" = "$last_line" ] || failed="${failed:+$failed; }_LastPlayed '$saved' is not the last track played '$last_line'"
[ -s "$work/messages.log" ] && failed="${failed:+$failed; }messages shown: $(head -3 "$work/messages.log")"

cp "$work/rss.csv" "$build/soak-rss.csv" && echo "RSS samples: $build/soak-rss.csv"
if [ -n "$failed" ]; then
  echo "SOAK FAILED: $failed (kept $work)"
  trap - EXIT
  cleanup
  exit 1
fi
echo "SOAK OK"
rm -rf "$work"
