#!/usr/bin/env bash
# Starts the built player. Without arguments it opens the demo playlist and
# plays its four pieces in order. Without a display it runs offscreen; without a sound
# server or sound card it writes what would be heard to a WAV file.
set -uo pipefail
build=${1:?usage: run-player.sh BUILD [ARGS...]}
shift
exe="$build/quaverly"
demo="$(cd "$build/demo" && pwd)"
if [ $# -eq 0 ]; then
  set -- "$demo/demo.m3u"
fi

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  headless=1
  echo "No display: the player runs offscreen."
fi

if [ -z "${QUAVERLY_AUDIO:-}" ]; then
  if command -v pactl >/dev/null && pactl info >/dev/null 2>&1; then
    export QUAVERLY_AUDIO=pulse
  elif grep -q '^ *[0-9]' /proc/asound/cards 2>/dev/null; then
    export QUAVERLY_AUDIO=alsa
  else
    wav="$(pwd)/$build/quaverly-output.wav"
    export QUAVERLY_AUDIO="wav:$wav"
    echo "No sound server or sound card: the sound goes to $wav"
  fi
fi
echo "Starting $exe $* (sound output: $QUAVERLY_AUDIO)"

if [ "$headless" = 1 ]; then
  # Nobody can close an offscreen window: play the demo through (its four
  # pieces last 98 s; a WAV file is written as fast as the decoder runs), then
  # end the player the way a desktop session ends it (SIGTERM saves the
  # settings).
  seconds=100
  case "$QUAVERLY_AUDIO" in wav:*) seconds=15 ;; esac
  timeout --preserve-status --signal=TERM "${seconds}s" "$exe" "$@"
  status=$?
  echo "The player ran offscreen for $seconds seconds and was closed (exit $status)."
  case "$QUAVERLY_AUDIO" in
    wav:*) echo "What it played is in ${QUAVERLY_AUDIO#wav:}" ;;
  esac
  exit 0
fi
"$exe" "$@"
status=$?
# A normal close ends the player with 1, an early end (a second start handing
# over, a refused start that has said why) with 0: both are normal ends.
case $status in
  0 | 1) exit 0 ;;
  *)
    echo "The player ended with status $status." >&2
    exit "$status"
    ;;
esac
