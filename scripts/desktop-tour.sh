#!/usr/bin/env bash
# Takes the built player through what a Linux desktop user meets, on a private
# X display (Xvfb) with a window manager (openbox) and a tray host (trayer)
# that starts after the player, and photographs each step into BUILD/desktop-
# tour/: the late tray icon and its tip, a double click on it, the start with
# the keyboard alone (the focus on the browser list), the keyboard focus in
# both lists, the menus from F10 and a lone Alt, a restart after the window
# was moved and resized, the settings pages (also with IPA
# Gothic and Noto Sans CJK at 96 and 144 DPI), clicks on the position and
# volume bars, the title label after the radio list's lookups, a folder
# dragged over from another program, the dialogs' frames under fluxbox, and
# what playerctl reads over MPRIS. Everything runs on its own display,
# session bus, runtime, cache and home folders, and ends with the script.
# usage: desktop-tour.sh BUILD [--readme]   (--readme: also retakes
# docs/screenshot.png)
set -euo pipefail
build=$(cd "${1:?usage: desktop-tour.sh BUILD [--readme]}" && pwd)
readme=${2:-}
here=$(cd "$(dirname "$0")/.." && pwd)
out="$build/desktop-tour"
rm -rf "$out"
mkdir -p "$out"

cmake --build "$build" -j2 --target quaverly quaverly_codec_module qv_drag_source >/dev/null
"$here/scripts/make-demo.sh" "$build/demo"

work=$(mktemp -d)
pids=()
cleanup() {
  # The programs started here, newest first; what does not end at once is
  # killed (fluxbox may wait for an X server that has gone).
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  sleep 1
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export QUAVERLY_AUDIO=null QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# The session bus for MPRIS and playerctl.
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
pids+=("$(sed -n 2p <<<"$bus")")

# start_display VAR: a new Xvfb whose number goes into VAR.
start_display() {
  local fifo
  fifo=$(mktemp -u "$work/displayfd.XXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
  pids+=($!)
  local number
  read -r number <"$fifo"
  printf -v "$1" ':%s' "$number"
}
wait_for() { # seconds command...: until the command succeeds
  local tries=$(($1 * 10))
  shift
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}
start_window_manager() { # program
  "$1" >/dev/null 2>&1 &
  pids+=($!)
  wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}
window_of() { xdotool search --onlyvisible --name "^$1\$" | head -1; }
# X Y WIDTH HEIGHT of a window's client area on the screen (xwininfo: xdotool
# adds the frame's extents to the position under a reparenting window manager).
geometry_of() { # window id
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print "X=" x, "Y=" y, "WIDTH=" w, "HEIGHT=" h }'
}
shot() { # name [window title]: the screen, or the window with its frame
  local file="$out/$1.png" crop=""
  sleep 0.6
  if [ -n "${2:-}" ]; then
    local id extents
    id=$(window_of "$2")
    eval "$(geometry_of "$id")"
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$' | tr -d ' ')
    IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
    crop="crop=$((WIDTH + left + right)):$((HEIGHT + top + bottom)):$((X - left)):$((Y - top)),"
  fi
  ffmpeg -nostdin -loglevel error -y -f x11grab -video_size 1024x768 -i "$DISPLAY" \
    -frames:v 1 -vf "${crop}null" "$file"
  echo "  $file"
}
keys() { xdotool key --delay 200 "$@"; }
player_pid=""
start_player() { # folder args...: a copy of the player in its own folder
  local folder=$1
  shift
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$build/quaverly" "$build/libquaverly-codecs.so" "$folder/"
  # A station whose name is looked up (and cannot be: the port is closed)
  # and one named in the list.
  printf 'http://127.0.0.1:9/live\r\nDemo Radio,http://127.0.0.1:9/demo\r\n' >"$folder/Netradio.txt"
  printf '[Quaverly]\r\n_WndX=120\r\n_WndY=110\r\n_WndCX=760\r\n_WndCY=440\r\n_SplitterPos=190\r\n_Column1CX=24\r\n_Column2CX=300\r\n' \
    >"$folder/quaverly.ini"
  run_player "$folder" "$@"
}
run_player() { # folder args...: the copy in that folder as it was left
  local folder=$1
  shift
  "$folder/quaverly" "$@" >>"$out/player.log" 2>&1 &
  player_pid=$!
  pids+=("$player_pid")
  wait_for 20 window_of Quaverly
  xdotool windowactivate --sync "$(window_of Quaverly)"
}
stop_player() {
  kill "$player_pid"
  wait "$player_pid" 2>/dev/null || true
}
# A click at a point of the main window's client area.
click_at() { # x y [button]
  local id
  id=$(window_of Quaverly)
  eval "$(geometry_of "$id")"
  xdotool mousemove $((X + $1)) $((Y + $2)) click "${3:-1}"
}

echo "Desktop tour into $out"
start_display DISPLAY
export DISPLAY
start_window_manager openbox

# The player first, on the demo playlist, on a desktop without a tray.
start_player "$work/player" "$build/demo/demo.m3u"
xdotool mousemove 1000 740
shot 01-started-without-tray
shot 01-the-window Quaverly
[ "$readme" = --readme ] && cp "$out/01-the-window.png" "$here/docs/screenshot.png"
# The keyboard alone: the start with the focus on the browser list, both
# lists, the menus from F10 and a lone Alt, the transport keys.
xdotool windowactivate --sync "$(window_of Quaverly)"
shot 02-keyboard-only-start-focus-in-the-browser Quaverly
keys Tab
shot 03-focus-in-the-track-list Quaverly
keys Down Down period
shot 04-next-with-the-period-key Quaverly
keys F10
shot 05-f10-opens-the-first-menu-at-its-first-item
keys Right
shot 06-arrows-walk-the-menus
keys Escape Escape alt
shot 06b-a-lone-alt-selects-the-menu-bar Quaverly
keys Escape F10 Return
wait_for 10 window_of 設定
shot 07-settings-general 設定
keys ctrl+Tab
shot 08-settings-dsp 設定
keys Escape F10 Left Return
wait_for 10 window_of バージョン情報
shot 09-about バージョン情報
keys Escape

# The radio list's lookups end with the playing title back in the label:
# from the browser's list to the source box, then its last entry but one.
click_at 80 200
keys shift+Tab End Up
sleep 1
shot 10-title-after-the-radio-list Quaverly

# Drags the location from another program onto the player's track list.
drag_onto_player() {
  "$build/tests/qv_drag_source" "$1" >/dev/null 2>&1 &
  local drag_pid=$!
  pids+=("$drag_pid")
  wait_for 10 window_of "drag source"
  eval "$(geometry_of "$(window_of "drag source")")"
  local from_x=$((X + WIDTH / 2)) from_y=$((Y + HEIGHT / 2))
  eval "$(geometry_of "$(window_of Quaverly)")"
  xdotool mousemove $from_x $from_y mousedown 1 sleep 0.2 \
    mousemove $(((from_x + X + 300) / 2)) $(((from_y + Y + 200) / 2)) sleep 0.2 \
    mousemove $((X + 300)) $((Y + 200)) sleep 0.2 mousemove $((X + 302)) $((Y + 202)) \
    sleep 0.3 mouseup 1
  sleep 1
  kill "$drag_pid"
}

# A folder dragged over from another program.
drag_onto_player "$build/demo"
xdotool windowactivate --sync "$(window_of Quaverly)"
keys space
shot 11-a-dropped-folder Quaverly

# A URL dropped onto the list that still shows the folder: the URL becomes
# the one row, and it is the row that plays (a demo piece served over HTTP).
port=$((20000 + RANDOM % 20000))
(cd "$build/demo" && exec python3 -m http.server --bind 127.0.0.1 "$port") >/dev/null 2>&1 &
pids+=($!)
piece=$(cd "$build/demo" && ls | grep -v '\.m3u' | head -1)
sleep 1
drag_onto_player "http://127.0.0.1:$port/$piece"
sleep 1
shot 11b-a-url-dropped-onto-a-full-list-plays Quaverly

# The mouse on the bars: each jumps to the click (at three quarters of the
# position bar, at two thirds of the volume bar).
click_at 120 38
shot 12-click-on-the-position-bar Quaverly
click_at 218 38
shot 13-click-on-the-volume-bar Quaverly

# The tray host comes only now, as when the panel starts late.
trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel \
  --height 24 --SetDockType true --transparent false >/dev/null 2>&1 &
pids+=($!)
# The player's icon: a window of its class below the tray's panel.
tray_icon() {
  local tree
  tree=$(xwininfo -root -tree)
  awk <<<"$tree" '
    /"panel" "trayer"/ { indent = match($0, /[^ ]/); next }
    indent && match($0, /[^ ]/) <= indent { exit }
    indent && /"quaverly" "Quaverly"/ { print $NF; exit }'
}
has_tray_icon() { [ -n "$(tray_icon)" ]; }
wait_for 10 has_tray_icon
shot 14-icon-in-a-late-tray
icon=$(tray_icon)
icon_x=$(($(cut -d+ -f2 <<<"$icon") + 11))
icon_y=$(($(cut -d+ -f3 <<<"$icon") + 11))
xdotool mousemove "$icon_x" "$icon_y"
sleep 1.5
shot 15-tray-tip
xdotool click --repeat 2 --delay 80 1
shot 16-after-a-double-click
xdotool mousemove 900 700

# What a desktop media widget reads.
{
  playerctl -p quaverly metadata
  ls -l "$XDG_CACHE_HOME/quaverly/covers" 2>&1
} >"$out/mpris.txt" 2>&1
echo "  $out/mpris.txt"
stop_player

# Moved and resized, closed and started again: the window comes back where
# and as large as it was, frame and all.
outer_of() { # window id: X Y WIDTH HEIGHT with the window manager's frame
  local extents
  eval "$(geometry_of "$1")"
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$' | tr -d ' ')
  IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
  echo "$((X - left)) $((Y - top)) $((WIDTH + left + right)) $((HEIGHT + top + bottom))"
}
run_player "$work/player"
xdotool windowmove "$(window_of Quaverly)" 200 150 windowsize "$(window_of Quaverly)" 640 400
sleep 1
shot 19-moved-and-resized
before=$(outer_of "$(window_of Quaverly)")
stop_player
run_player "$work/player"
sleep 1
shot 20-after-a-restart
after=$(outer_of "$(window_of Quaverly)")
printf 'before the restart: %s\nafter the restart:  %s\n' "$before" "$after" | tee "$out/geometry.txt"
stop_player

# The DSP page with the Japanese fonts of the desktop, at 96 and 144 DPI.
for font in "IPAGothic" "Noto Sans CJK JP"; do
  cat >"$work/fonts.conf" <<EOF
<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <alias binding="strong"><family>sans-serif</family><prefer><family>$font</family></prefer></alias>
  <alias binding="strong"><family>Sans Serif</family><prefer><family>$font</family></prefer></alias>
</fontconfig>
EOF
  for dpi in 96 144; do
    FONTCONFIG_FILE="$work/fonts.conf" QT_FONT_DPI=$dpi start_player "$work/player"
    keys F10 Return
    wait_for 10 window_of 設定
    keys ctrl+Tab
    shot "17-dsp-${font// /}-$dpi"
    stop_player
  done
done

# The dialogs' frames as a window manager that follows the hints shows them
# (openbox keeps its minimise and maximise buttons whatever the hints say);
# its titles in a Japanese font, and a wallpaper setter that does nothing, so
# that fluxbox's own (fbsetbg) does not open a window to say it found none.
start_display DISPLAY
mkdir -p "$HOME/.fluxbox" "$work/bin"
printf '*font: IPAGothic-10\n' >"$HOME/.fluxbox/overlay"
printf 'session.styleOverlay: %s\n' "$HOME/.fluxbox/overlay" >"$HOME/.fluxbox/init"
printf '#!/bin/sh\n' >"$work/bin/fbsetbg"
chmod +x "$work/bin/fbsetbg"
PATH="$work/bin:$PATH" start_window_manager fluxbox
start_player "$work/player"
keys F10 Return
wait_for 10 window_of 設定
shot 18-dialog-frame-under-fluxbox
stop_player
echo "Done."
