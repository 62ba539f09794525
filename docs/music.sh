#!/bin/bash
# Makes docs/music.png: a spectrogram of the demo's whole soundtrack as the
# demo plays it (zapmod render --demo: 44100 Hz, 47 ticks a second), one column of 64
# pixels per order, with the orders, the scenes and the sections marked.
#
#   docs/music.sh [BUILD_DIR [OUT]]  (default build/release and docs/music.png; needs sox and ImageMagick)
#
# scripts/record-docs runs it with the other pictures of docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
out=${2:-docs/music.png}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

orders=26              # 0..24 and the final hit's order 25
px=64                  # pixels per order
order_s=8.167659863945578  # 384 ticks of 938 samples at 44100 Hz
width=$((orders * px))
height=320
top=78
font=DejaVu-Sans

"$build/tools/zapmod" render data/da_plim.mod "$tmp/render.wav" --demo --seconds "$(awk -v n="$orders" -v s="$order_s" 'BEGIN { print n * s }')" >/dev/null
# Up to 5.5 kHz, where the bass, chords and lead lie; -r leaves out sox's axes.
sox "$tmp/render.wav" -n rate 11025 spectrogram -r -x "$width" -y "$height" -z 80 -o "$tmp/spectrogram.png"

draw=()
# Order boundaries, and the order numbers above them.
for ((o = 0; o <= orders; o++)); do
  x=$((o * px))
  draw+=(-fill '#ffffff50' -draw "line $x,$top $x,$((top + height))")
  if ((o < orders)); then
    draw+=(-fill white -pointsize 12 -annotate "+$((x + 24))+$((top - 6))" "$o")
  fi
done
# Scene windows (first order, last order, name) and what the music does there.
# Names and first positions as the scenes' tables hold them (src/demo/scene_looks.h).
looks=src/demo/scene_looks.h
mapfile -t names < <(sed -n '/scene_names = {/,/};/p' "$looks" | grep -o '"[^"]*"' | tr -d '"')
read -ra starts <<<"0 $(sed -n 's/.*window_starts = {\(.*\)};.*/\1/p' "$looks" | tr -d ,) $(((orders - 1) * 100))"
[ ${#names[@]} = 10 ] && [ ${#starts[@]} = 11 ] || { echo "docs/music.sh: cannot read the scenes from $looks" >&2; exit 1; }
scenes=()
for i in "${!names[@]}"; do
  scenes+=("$((starts[i] / 100)) $((starts[i + 1] / 100 - 1)) ${names[i]}")
done
scenes+=("$((orders - 1)) $((orders - 1)) end")
sections=(
  "0 1 intro, bongos"  "2 3 groove lands"  "4 5 verse: the hook"  "6 6 pre"  "7 8 chorus"
  "9 10 interlude"  "11 12 verse 2"  "13 14 chorus 2"  "15 15 bridge"  "16 16 break"  "17 17 build"
  "18 20 climax"  "21 22 outro: the hook"  "23 24 last chorus"  "25 25 hit"
)
for s in "${scenes[@]}"; do
  read -r a b name <<<"$s"
  x0=$((a * px)); x1=$(((b + 1) * px))
  draw+=(-fill '#ffd040' -draw "line $x0,4 $x0,$((top + height))")
  draw+=(-fill '#ffd040' -pointsize 13 -annotate "+$((x0 + 4))+18" "$name")
done
for s in "${sections[@]}"; do
  read -r a b name <<<"$s"
  x0=$((a * px))
  draw+=(-fill '#90e0ff' -pointsize 12 -annotate "+$((x0 + 4))+40" "$name")
done
convert "$tmp/spectrogram.png" -background black -gravity north -splice 0x$top -gravity south -splice 0x26 \
  -gravity northwest -font "$font" "${draw[@]}" \
  -fill '#c0c0c0' -pointsize 12 -annotate "+6+$((top + height + 7))" \
  "da plim: spectrogram 0-5.5 kHz of zapmod render, one column per order (8.17 s); yellow: scene windows, blue: sections. The demo stops on the first row of order 25 (204.2 s)." \
  -define png:exclude-chunks=date,time "$out"
echo "$out: $(identify -format '%wx%h' "$out")"
