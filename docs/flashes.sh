#!/bin/bash
# Makes the pictures of the flash check:
#   docs/flashes.png  the flashing of the whole show, second by second, as
#                     `zapcapture --flashes` measures it: the most transitions
#                     one field holds within a second, general and red, for
#                     the default show and the gentle one, with the limit
#   docs/gentle.png   the scenes the gentle show tames, beside their default:
#                     five frames a tenth of a second apart, so that how far
#                     the picture moves from frame to frame shows
#
#   docs/flashes.sh [BUILD_DIR [OUT_DIR]]   (default build/release and docs; needs ImageMagick)
#
# scripts/record-docs runs it with the other pictures of docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
out=${2:-docs}
command -v convert >/dev/null && command -v montage >/dev/null ||
  { echo "docs/flashes.sh: needs ImageMagick (scripts/deps --docs)" >&2; exit 1; }
[ -x "$build/tools/zapcapture" ] || { echo "docs/flashes.sh: no $build/tools/zapcapture (scripts/build release zapcapture)" >&2; exit 1; }
cap=$build/tools/zapcapture
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
font=DejaVu-Sans

# ---- The check, both shows -----------------------------------------------------------
# Exit status 1 means seconds that fail, which the default show has.
for show in default gentle; do
  opt=()
  [ $show = gentle ] && opt=(--gentle)
  status=0
  "$cap" --flashes "${opt[@]}" --seconds "$tmp/$show.txt" >"$tmp/$show.out" || status=$?
  [ $status -le 1 ] || { cat "$tmp/$show.out" >&2; echo "docs/flashes.sh: the check of the $show show failed to run" >&2; exit 1; }
done

# ---- docs/flashes.png ------------------------------------------------------------------
px=6          # pixels per second
tall=10       # pixels per transition
top_max=16    # transitions at the top of a panel
panel_h=$((top_max * tall))
left=90
seconds=$(awk '!/^#/ { n = $1 } END { print n + 1 }' "$tmp/default.txt")
width=$((left + seconds * px + 20))
limit=$(sed -n 's/.*fails with more than \([0-9]*\) transitions.*/\1/p' "$tmp/default.out")
[ -n "$limit" ] || { echo "docs/flashes.sh: cannot read the limit from the check's report" >&2; exit 1; }

# Scene windows from the report: "scene  N  NAME (m:ss.mmm-m:ss.mmm)".
mapfile -t scenes < <(sed -n 's/^scene *\([0-9]*\)  \(.*\) (\([0-9]*\):\([0-9.]*\)-\([0-9]*\):\([0-9.]*\))$/\1|\2|\3|\4|\5|\6/p' \
  "$tmp/default.out")
[ ${#scenes[@]} = 10 ] || { echo "docs/flashes.sh: cannot read the scenes from the check's report" >&2; exit 1; }
figures() { sed -n 's/^seconds that fail: \([0-9]*\) of \([0-9]*\) (general \([0-9]*\), red \([0-9]*\))$/\1 \2 \3 \4/p' "$1"; }
read -r d_any d_all d_gen d_red <<<"$(figures "$tmp/default.out")"
read -r g_any _ g_gen g_red <<<"$(figures "$tmp/gentle.out")"

# polyline COLUMN FILE BASE: the column's counts as a polyline in a panel whose zero is at BASE.
polyline() {
  awk -v c="$1" -v base="$3" -v left=$left -v px=$px -v tall=$tall -v top=$top_max '!/^#/ {
      v = $c; if (v > top) v = top
      x0 = left + $1 * px; y = base - v * tall
      printf "%d,%d %d,%d ", x0, y, x0 + px, y }' "$2"
}

draw=()
header=56
gap=40
for m in 0 1; do
  base=$((header + (m + 1) * panel_h + m * gap))
  ptop=$((base - panel_h))
  col=$((3 + m))
  name=(general red)
  # Scene bands and names.
  for i in "${!scenes[@]}"; do
    IFS='|' read -r n sname m0 s0 m1 s1 <<<"${scenes[$i]}"
    x0=$(awk -v m="$m0" -v s="$s0" -v l=$left -v p=$px 'BEGIN { printf "%d", l + (m * 60 + s) * p }')
    x1=$(awk -v m="$m1" -v s="$s1" -v l=$left -v p=$px 'BEGIN { printf "%d", l + (m * 60 + s) * p }')
    ((i % 2)) && draw+=(-fill '#eee8e0' -draw "rectangle $x0,$ptop $x1,$base")
    [ $m = 0 ] && draw+=(-fill '#605850' -pointsize 11 -annotate "+$((x0 + 3))+$((ptop - 4))" "$n $sname")
  done
  # Grid: every 2 transitions; the time every 30 s.
  for ((v = 0; v <= top_max; v += 2)); do
    y=$((base - v * tall))
    draw+=(-stroke '#d8d0c8' -strokewidth 1 -draw "line $left,$y $((left + seconds * px)),$y" -stroke none)
    draw+=(-fill '#605850' -pointsize 10 -annotate "+$((left - 20))+$((y + 4))" "$v")
  done
  for ((s = 0; s <= seconds; s += 30)); do
    x=$((left + s * px))
    draw+=(-stroke '#d8d0c8' -draw "line $x,$ptop $x,$base" -stroke none)
    draw+=(-fill '#605850' -pointsize 10 -annotate "+$((x - 10))+$((base + 13))" "$((s / 60)):$(printf %02d $((s % 60)))")
  done
  # The limit: more than this many transitions in a second fails.
  y=$((base - limit * tall))
  draw+=(-stroke '#c00000' -strokewidth 2 -draw "stroke-dasharray 8 5 line $left,$y $((left + seconds * px)),$y")
  draw+=(-stroke none -fill '#c00000' -pointsize 11 -annotate "+$((left + seconds * px - 150))+$((y - 5))" \
    "limit: more than $limit fails")
  draw+=(-fill none -stroke '#e07000' -strokewidth 2 -draw "polyline $(polyline $col "$tmp/default.txt" $base)")
  draw+=(-stroke '#2060c0' -strokewidth 2 -draw "polyline $(polyline $col "$tmp/gentle.txt" $base)" -stroke none)
  draw+=(-fill black -pointsize 13 -annotate "+6+$((ptop + 14))" "${name[$m]}")
  draw+=(-fill '#605850' -pointsize 10 -annotate "+6+$((ptop + 30))" "transitions" -annotate "+6+$((ptop + 43))" "in a second")
done
height=$((header + 2 * panel_h + gap + 30))
title="Flashes per second: the most transitions in one second of one 10-degree field"
legend1="default show: $d_any of $d_all seconds fail (general $d_gen, red $d_red)"
legend2="gentle show (--gentle): $g_any fail (general $g_gen, red $g_red)"
convert -size "${width}x${height}" xc:white -font "$font" \
  -fill black -pointsize 14 -annotate +$left+18 "$title" \
  -stroke '#e07000' -strokewidth 3 -draw "line $left,34 $((left + 30)),34" -stroke none \
  -fill black -pointsize 12 -annotate +$((left + 36))+38 "$legend1" \
  -stroke '#2060c0' -strokewidth 3 -draw "line $((left + 460)),34 $((left + 490)),34" -stroke none \
  -fill black -pointsize 12 -annotate +$((left + 496))+38 "$legend2" \
  "${draw[@]}" -depth 8 -define png:exclude-chunks=date,time "$out/flashes.png"
echo "wrote $out/flashes.png"

# ---- docs/gentle.png -------------------------------------------------------------------
# The scenes the gentle show changes (their numbers in the default show's
# report, the ones with a failing second of their own), five frames 0.1 s
# apart from a moment in each, the default show above the gentle one.
declare -A first_second scene_name
for s in "${scenes[@]}"; do
  IFS='|' read -r n nm m0 s0 _ <<<"$s"
  scene_name[$n]=$nm
  first_second[$n]=$(awk -v m="$m0" -v s="$s0" 'BEGIN { print m * 60 + s }')
done
args=()
for pick in "5 3.0" "7 12.0"; do
  read -r scene offset <<<"$pick"
  t0=$(awk -v s="${first_second[$scene]}" -v o="$offset" 'BEGIN { printf "%.3f", s + o }')
  ats=()
  for i in 0 1 2 3 4; do ats+=(--at "$(awk -v t="$t0" -v i=$i 'BEGIN { printf "%.3f", t + i / 10 }')"); done
  for show in default gentle; do
    opt=()
    [ $show = gentle ] && opt=(--gentle)
    dir=$tmp/stills-$scene-$show
    "$cap" "${opt[@]}" --frames "$dir" "${ats[@]}" --to "$(awk -v t="$t0" 'BEGIN { print t + 1 }')" >/dev/null
    mapfile -t stills < <(ls "$dir"/*.png)
    [ ${#stills[@]} = 5 ] || { echo "docs/flashes.sh: expected 5 stills of scene $scene, got ${#stills[@]}" >&2; exit 1; }
    for i in 0 1 2 3 4; do
      args+=(-label "$scene ${scene_name[$scene]}, $show: +0.$i s" "${stills[$i]}")
    done
  done
done
montage -font "$font" -pointsize 12 -background '#e8e0d8' "${args[@]}" -tile 5x -geometry 320x200+6+4 -depth 8 \
  -define png:exclude-chunks=date,time "$out/gentle.png"
echo "wrote $out/gentle.png"
