#!/bin/bash
# Which libraries the tools load, from the dynamic loader's own account
# (LD_DEBUG=libs), for the tool's process alone (not ffmpeg's).
#
#   sdl_load.sh ZAPMOD ZAPCGM ZAPCAPTURE PROJECT_ROOT CASE
#
# offline: zapmod info, render and trace, zapcgm info, dump and render, and
#          zapcapture's WAV, stills, raw frames and script never load SDL.
# video:   neither does zapcapture's video through ffmpeg (skips without it).
# play:    zapmod play loads libSDL-1.2 and plays through the dummy device.
# Exits 0 when the case holds, 1 with a message when not, 77 to skip (no
# LD_DEBUG account, as under an emulator that does not pass it on).
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../support/skip.sh"
zapmod=$1
zapcgm=$2
cap=$3
root=$4
case=$5

cd "$root" || exit 1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL ($case): $*" >&2; exit 1; }

# Runs one command with the loader's account of libraries in $tmp/libs:
# the lines of that process only.
n=0
traced() {
  n=$((n + 1))
  rm -f "$tmp"/ld.* "$tmp/libs"
  LD_DEBUG=libs LD_DEBUG_OUTPUT="$tmp/ld" bash -c 'echo $$ >"$0/pid"; exec "$@"' "$tmp" "$@" \
    >"$tmp/out.$n" 2>&1 || fail "$* exited $?: $(tail -n 3 "$tmp/out.$n")"
  cat "$tmp/ld.$(cat "$tmp/pid")" >"$tmp/libs" 2>/dev/null
  # The loader naming the tool as the program it starts proves the account is
  # the tool's, not that of a shell or an emulator in front of it.
  grep -q "transferring control: .*/$(basename "$1")\$" "$tmp/libs" ||
    zap_skip "tools_sdl_$case" "no LD_DEBUG account of $1"
}
without_sdl() {
  traced "$@"
  ! grep -i "libSDL" "$tmp/libs" >&2 || fail "$* loads SDL"
}

case $case in
  offline)
    without_sdl "$zapmod" info data/da_plim.mod
    without_sdl "$zapmod" render data/da_plim.mod "$tmp/a.wav" --seconds 2
    without_sdl "$zapmod" trace data/da_plim.mod --ticks 5
    without_sdl "$zapcgm" info data/hipcat.cgm
    without_sdl "$zapcgm" dump data/hipcat.cgm
    without_sdl "$zapcgm" render data/hipcat.cgm "$tmp/p.png"
    without_sdl "$cap" --fps 5 --to 2 --wav "$tmp/c.wav" --frames "$tmp/png" --raw "$tmp/raw" --every 5
    [ -s "$tmp/c.wav" ] && [ -n "$(ls "$tmp/png")" ] && [ -n "$(ls "$tmp/raw")" ] || fail "zapcapture wrote nothing"
    printf 'frame 1000 500\n' >"$tmp/moments.txt"
    without_sdl "$cap" --script "$tmp/moments.txt" --raw "$tmp/one"
    grep -q "^frame 0 scene" "$tmp/out.$n" || fail "the script gave no frame: $(cat "$tmp/out.$n")"
    ;;
  video)
    command -v ffmpeg >/dev/null || zap_skip "tools_sdl_$case" "no ffmpeg on the PATH"
    without_sdl "$cap" "$tmp/v.mp4" --fps 5 --to 1 --scale 1
    [ -s "$tmp/v.mp4" ] || fail "no video"
    ;;
  play)
    traced "$zapmod" play data/da_plim.mod --seconds 0.3
    grep -q "calling init: .*libSDL-1\.2" "$tmp/libs" || fail "zapmod play did not load SDL"
    grep -q "stopped at order 0 row" "$tmp/out.$n" || fail "no final position: $(cat "$tmp/out.$n")"
    ;;
  *) fail "no such case" ;;
esac
