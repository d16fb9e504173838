#!/usr/bin/env bash
# Generates the demo folder `make run` opens: four short tagged pieces of
# music (an arpeggio, a chorale, a drum groove, bells), synthesised with the
# ffmpeg tool's aevalsrc source, so that a new user hears something at once.
# Each piece is one expression of the time t; a note's sound is computed from
# its own local time, so every note starts at phase zero without a click.
set -euo pipefail
out=${1:?usage: make-demo.sh OUTDIR}
first="01 - Morning Arpeggio.mp3"
[ -f "$out/.complete" ] && [ -f "$out/$first" ] && [ -f "$out/demo.m3u" ] && exit 0
# The folder is the script's own: an older demo in it is replaced whole.
rm -rf "$out"
mkdir -p "$out"

# table INDEX V0 V1 ...: an expression giving Vi when INDEX is i (the last
# value for any larger index).
table() {
  local index=$1
  shift
  local values=("$@") expr="${values[-1]}" i
  for ((i = ${#values[@]} - 2; i >= 0; i--)); do
    expr="if(eq($index,$i),${values[$i]},$expr)"
  done
  printf '%s' "$expr"
}

# Fades a note of length L in over 5 ms and out over the last 10 ms of its
# local time LT.
window() { printf 'min(1,%s/0.005)*min(1,(%s-%s)/0.01)' "$2" "$1" "$2"; }

# piece FILE SECONDS EXPRESSION TITLE TRACK [COVER]
piece() {
  local file=$1 seconds=$2 expr=$3 title=$4 track=$5 cover=${6:-}
  local inputs=(-f lavfi -i "aevalsrc='$expr':s=44100:d=$seconds")
  local maps=(-map 0:a)
  if [ -n "$cover" ]; then
    inputs+=(-i "$cover")
    maps+=(-map 1:v -c:v copy -disposition:v attached_pic)
  fi
  ffmpeg -nostdin -y -loglevel error "${inputs[@]}" "${maps[@]}" \
    -af "afade=t=out:st=$((seconds - 2)):d=2" -ac 2 \
    -metadata artist="Quaverly Demo" -metadata album="Four Pieces" -metadata date="2026" \
    -metadata title="$title" -metadata track="$track/4" "$out/$file"
}

cover="$out/.cover.png"
ffmpeg -nostdin -y -loglevel error -f lavfi -i "mandelbrot=s=256x256:end_pts=1" -frames:v 1 "$cover"

# 1. An arpeggio over C - Am - F - G at 100 beats a minute, over a soft pad
# and a bass on the beats.
bar=$(table 'ld(0)' 0 -3 5 7)
third=$(table 'ld(0)' 4 3 4 4)
arp=$(table 'ld(3)' 0 'ld(2)' 7 12 7 'ld(2)' 0 7)
arpeggio="st(0,mod(floor(t/2.4),4));st(1,$bar);st(2,$third);st(3,mod(floor(t/0.3),8));\
st(4,$arp);st(5,mod(t,0.3));st(6,mod(t,2.4));st(7,mod(t,0.6));\
st(8,523.25*pow(2,(ld(1)+ld(4))/12));\
0.25*(sin(2*PI*ld(8)*ld(5))+0.3*sin(4*PI*ld(8)*ld(5)))*exp(-6*ld(5))*$(window 0.3 'ld(5)')\
+0.07*(sin(2*PI*130.81*pow(2,ld(1)/12)*ld(6))+sin(2*PI*130.81*pow(2,(ld(1)+ld(2))/12)*ld(6))\
+sin(2*PI*130.81*pow(2,(ld(1)+7)/12)*ld(6)))*$(window 2.4 'ld(6)')\
+0.3*sin(2*PI*65.41*pow(2,ld(1)/12)*ld(7))*exp(-3*ld(7))*$(window 0.6 'ld(7)')"
piece "$first" 24 "$arpeggio" "Morning Arpeggio" 1 "$cover"

# 2. A four-voice chorale on an organ-like tone, one chord every 2 seconds.
roots=$(table 'ld(0)' 0 5 7 0 -3 2 7 0 0 5 7 0)
thirds=$(table 'ld(0)' 4 4 4 4 3 3 4 4 4 4 4 4)
soprano=$(table 'ld(0)' 4 5 2 0 0 2 -1 0 4 9 7 12)
organ() { printf '(sin(2*PI*%s*ld(1))+0.4*sin(4*PI*%s*ld(1))+0.2*sin(6*PI*%s*ld(1)))' "$1" "$1" "$1"; }
chorale="st(0,floor(t/2));st(2,$roots);st(3,$thirds);st(4,$soprano);st(1,mod(t,2));\
st(5,65.41*pow(2,ld(2)/12));st(6,130.81*pow(2,(ld(2)+7)/12));\
st(7,261.63*pow(2,(ld(2)+ld(3))/12));st(8,523.25*pow(2,ld(4)/12));\
0.13*($(organ 'ld(5)')+$(organ 'ld(6)')+$(organ 'ld(7)')+$(organ 'ld(8)'))\
*min(1,ld(1)/0.08)*min(1,(2-ld(1))/0.15)"
piece "02 - Chorale.ogg" 24 "$chorale" "Chorale" 2

# 3. A drum groove at 120 beats a minute: kick, snare, hi-hat and a bass line
# in A minor.
bass=$(table 'ld(3)' 0 0 12 0 10 0 7 0 3 3 15 3 12 3 10 7)
groove="st(0,mod(t,0.5));st(1,mod(floor(t/0.5),4));st(2,mod(t,0.25));st(3,mod(floor(t/0.25),16));\
st(4,55*pow(2,$bass/12));\
if(eq(mod(ld(1),2),0),0.6*sin(2*PI*(50*ld(0)+3.33*(1-exp(-30*ld(0)))))*exp(-6*ld(0))*$(window 0.5 'ld(0)'),\
(0.3*(2*random(9)-1)*exp(-18*ld(0))+0.2*sin(2*PI*180*ld(0))*exp(-20*ld(0)))*$(window 0.5 'ld(0)'))\
+0.1*(2*random(8)-1)*exp(-80*ld(2))*$(window 0.25 'ld(2)')\
+0.22*(sin(2*PI*ld(4)*ld(2))+0.5*sin(4*PI*ld(4)*ld(2))+0.33*sin(6*PI*ld(4)*ld(2)))\
*exp(-4*ld(2))*$(window 0.25 'ld(2)')"
piece "03 - Drum Groove.flac" 26 "$groove" "Drum Groove" 3 "$cover"

# 4. Bells (inharmonic partials that die away) on a D major pentatonic
# tune, over a drone of D and A.
tune=$(table 'ld(0)' 0 4 7 9 7 4 2 0 7 9 12 14 12 9 7 4 2 4 7 4 2 0 -3 0 4 7 9 12 9 7 4 0)
bells="st(0,mod(floor(t/0.75),32));st(1,mod(t,0.75));st(2,587.33*pow(2,$tune/12));\
0.22*(sin(2*PI*ld(2)*ld(1))*exp(-3*ld(1))+0.5*sin(2*PI*2.76*ld(2)*ld(1))*exp(-6*ld(1))\
+0.25*sin(2*PI*5.4*ld(2)*ld(1))*exp(-10*ld(1)))*$(window 0.75 'ld(1)')\
+0.08*(sin(2*PI*146.83*t)+sin(2*PI*220*t))*(0.8+0.2*sin(2*PI*0.25*t))*min(1,t/2)"
piece "04 - Evening Bells.m4a" 24 "$bells" "Evening Bells" 4

rm -f "$cover"
# The playlist keeps the pieces in their order, whatever order the folder
# lists its files in.
printf '%s\n' "$first" "02 - Chorale.ogg" "03 - Drum Groove.flac" "04 - Evening Bells.m4a" \
  >"$out/demo.m3u"
touch "$out/.complete"
