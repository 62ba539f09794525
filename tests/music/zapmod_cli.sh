#!/bin/bash
# Command-line checks of `zapmod render` and `zapmod play`.
#
#   zapmod_cli.sh ZAPMOD MODULE_DIR CASE
#
# Exits 0 when the case holds, 1 with a message when it does not, and 77 (a
# skip) when the real test modules are not there.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../support/skip.sh"
zapmod=$1
moddir=$2
case=$3

module=$moddir/game3.mod
case $case in
  exact_size) ;;  # builds its own module
  *) [ -r "$module" ] || zap_skip "music_cli_$case" "$module is not there" ;;
esac
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL ($case): $*" >&2; exit 1; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
tag() { dd if="$1" bs=1 skip="$2" count=4 2>/dev/null; }

# Checks the 44-byte header of a PCM file against its size, rate, bits and
# channels (default 1).
check_wav() {
  local f=$1 rate=$2 bits=$3 ch=${4:-1} size
  size=$(stat -c %s "$f")
  [ "$(tag "$f" 0)" = RIFF ] || fail "no RIFF tag"
  [ "$(u32 "$f" 4)" = $((size - 8)) ] || fail "RIFF size $(u32 "$f" 4), file $size"
  [ "$(tag "$f" 8)" = WAVE ] || fail "no WAVE tag"
  [ "$(tag "$f" 12)" = "fmt " ] || fail "no fmt chunk"
  [ "$(u32 "$f" 16)" = 16 ] || fail "fmt size"
  [ "$(u16 "$f" 20)" = 1 ] || fail "not PCM"
  [ "$(u16 "$f" 22)" = "$ch" ] || fail "channels $(u16 "$f" 22), wanted $ch"
  [ "$(u32 "$f" 24)" = "$rate" ] || fail "rate $(u32 "$f" 24)"
  [ "$(u32 "$f" 28)" = $((rate * bits / 8 * ch)) ] || fail "byte rate"
  [ "$(u16 "$f" 32)" = $((bits / 8 * ch)) ] || fail "block align"
  [ "$(u16 "$f" 34)" = "$bits" ] || fail "bits $(u16 "$f" 34)"
  [ "$(tag "$f" 36)" = data ] || fail "no data chunk"
  [ "$(u32 "$f" 40)" = $((size - 44)) ] || fail "data size $(u32 "$f" 40), file $size"
}

# Runs zapmod expecting exit status 1 and a one-line error "zapmod SUB: $1: ...".
expect_error() {
  local name=$1 pattern=$2 out status
  shift 2
  out=$("$zapmod" "$@" 2>&1 >/dev/null)
  status=$?
  [ "$status" = 1 ] || fail "exit status $status, wanted 1: $out"
  [[ "$out" == "zapmod $1: $name: "* ]] || fail "message does not name $name: $out"
  [[ "$out" =~ $pattern ]] || fail "message does not match '$pattern': $out"
}

# A module of exactly 1,000,000 bytes, the most the player's buffer takes:
# samples 1..7 of 65535 words and 8 of 40151 (no loops) fill it up to sample
# 9, 50 words looping to its own end, which row 0 plays. The mixer reads the
# byte at a loop's end, the first byte after the file.
write_full_module() {
  local s
  {
    head -c 20 /dev/zero
    for s in 1 2 3 4 5 6 7; do head -c 22 /dev/zero; printf '\377\377\000\100\000\000\000\001'; done
    head -c 22 /dev/zero; printf '\234\327\000\100\000\000\000\001'
    head -c 22 /dev/zero; printf '\000\062\000\100\000\000\000\062'
    head -c $((22 * 30)) /dev/zero
    printf '\001\000'
    head -c 128 /dev/zero
    printf 'M.K.\001\254\220\000'
    head -c $((1020 + 7 * 131070 + 80302)) /dev/zero
    head -c 100 /dev/zero | tr '\0' '\100'
  } >"$1"
}

case $case in
  exact_size)
    write_full_module "$tmp/full.mod"
    [ "$(stat -c %s "$tmp/full.mod")" = 1000000 ] || fail "module is $(stat -c %s "$tmp/full.mod") bytes"
    "$zapmod" render "$tmp/full.mod" "$tmp/a.wav" --seconds 1 >/dev/null 2>"$tmp/err" ||
      fail "render exited $?: $(cat "$tmp/err")"
    check_wav "$tmp/a.wav" 44100 16
    ;;
  wav44100)
    "$zapmod" render "$module" "$tmp/a.wav" --seconds 2 >/dev/null || fail "render failed"
    check_wav "$tmp/a.wav" 44100 16
    [ "$(u32 "$tmp/a.wav" 40)" = $((2 * 44100 * 2)) ] || fail "2 s are not 176400 bytes"
    ;;
  wav22050)
    "$zapmod" render "$module" "$tmp/a.wav" --rate 22050 --seconds 1.5 >/dev/null || fail "render failed"
    check_wav "$tmp/a.wav" 22050 8
    [ "$(u32 "$tmp/a.wav" 40)" = 33075 ] || fail "1.5 s are not 33075 bytes"
    ;;
  default_length)
    # Until the song first passes its last order entry: the 21 orders of this
    # module take between one and ten minutes, far from the cap.
    "$zapmod" render "$module" "$tmp/a.wav" --rate 22050 >/dev/null || fail "render failed"
    check_wav "$tmp/a.wav" 22050 8
    bytes=$(u32 "$tmp/a.wav" 40)
    [ "$bytes" -gt $((60 * 22050)) ] && [ "$bytes" -lt $((600 * 22050)) ] || fail "length $bytes bytes"
    ;;
  missing)
    expect_error "$tmp/none.mod" "No such file" render "$tmp/none.mod" "$tmp/a.wav"
    [ ! -e "$tmp/a.wav" ] || fail "output written"
    ;;
  empty)
    : >"$tmp/empty.mod"
    expect_error "$tmp/empty.mod" "empty" render "$tmp/empty.mod" "$tmp/a.wav"
    [ ! -e "$tmp/a.wav" ] || fail "output written"
    ;;
  truncated)
    head -c 1500 "$module" >"$tmp/cut.mod"
    expect_error "$tmp/cut.mod" "." render "$tmp/cut.mod" "$tmp/a.wav"
    [ ! -e "$tmp/a.wav" ] || fail "output written"
    ;;
  not_module)
    head -c 5000 /dev/zero | tr '\0' 'x' >"$tmp/text.mod"
    expect_error "$tmp/text.mod" "unknown module type" render "$tmp/text.mod" "$tmp/a.wav"
    [ ! -e "$tmp/a.wav" ] || fail "output written"
    ;;
  unwritable)
    expect_error "$tmp/no/dir/a.wav" "No such file" render "$module" "$tmp/no/dir/a.wav" --seconds 1
    ;;
  partial_removed)
    # A file size limit of 20 KiB makes the writes fail part-way; the signal
    # that would end the process is ignored so that the write reports it.
    (ulimit -f 20; trap '' XFSZ; exec "$zapmod" render "$module" "$tmp/a.wav" --seconds 2) \
      >/dev/null 2>"$tmp/err"
    status=$?
    [ "$status" = 1 ] || fail "exit status $status: $(cat "$tmp/err")"
    grep -q "^zapmod render: $tmp/a.wav: write error" "$tmp/err" || fail "message: $(cat "$tmp/err")"
    [ ! -e "$tmp/a.wav" ] || fail "partial file left behind"
    ;;
  device_out)
    # A device as OUT: the error is reported and the device is not removed.
    expect_error /dev/full "write error" render "$module" /dev/full --seconds 1
    [ -c /dev/full ] || fail "/dev/full is gone"
    ;;
  bad_rate)
    "$zapmod" render "$module" "$tmp/a.wav" --rate 48000 >/dev/null 2>&1
    [ $? = 2 ] || fail "an unsupported rate was accepted"
    # play and render share one --seconds rule: above 0, at most an hour.
    # play and render share one rule per option: --seconds above 0 and at
    # most an hour, --volume 0..252, --hz 1..1000, whole numbers for the last two.
    for cmd in "render $module $tmp/a.wav" "play $module"; do
      for opt in "--seconds 0" "--seconds -1" "--seconds 3600.5" "--seconds x" "--seconds 1s" \
        "--volume 253" "--volume -1" "--volume 1.5" "--volume" "--hz 0" "--hz 1001" "--hz 50x" \
        "--separation 101" "--interp cubic"; do
        # shellcheck disable=SC2086
        SDL_AUDIODRIVER=dummy "$zapmod" $cmd $opt >/dev/null 2>"$tmp/err"
        [ $? = 2 ] || fail "$cmd $opt was accepted"
        case $opt in
          --seconds*) rule="--seconds must be a number above 0 and at most 3600" ;;
          "--volume") rule="missing value" ;;
          --volume*) rule="--volume must be a whole number from 0 to 252" ;;
          --hz*) rule="--hz must be a whole number from 1 to 1000" ;;
          --separation*) rule="--separation must be a whole number from 0 to 100" ;;
          --interp*) rule="--interp must be nearest or linear" ;;
        esac
        grep -q -- "$rule" "$tmp/err" || fail "$cmd $opt: $(cat "$tmp/err")"
      done
    done
    ;;
  play_seconds)
    start=$(date +%s%N)
    SDL_AUDIODRIVER=dummy timeout 20 "$zapmod" play "$module" --seconds 1 >"$tmp/out" 2>&1 ||
      fail "play exited $?: $(cat "$tmp/out")"
    ms=$((($(date +%s%N) - start) / 1000000))
    [ "$ms" -ge 1000 ] || fail "stopped after $ms ms"
    grep -q "stopped at order 0 row" "$tmp/out" || fail "no final position: $(cat "$tmp/out")"
    ;;
  volume_hz)
    # --demo is the demo's own settings, byte for byte; the default is the
    # module's timing at the volume that leaves four channels room (31); 50
    # ticks per second plays the song faster, so its default length is shorter.
    "$zapmod" render "$module" "$tmp/d.wav" --seconds 3 --demo >/dev/null || fail "render failed"
    "$zapmod" render "$module" "$tmp/e.wav" --seconds 3 --volume 64 --hz 47 >/dev/null || fail "explicit settings"
    cmp -s "$tmp/d.wav" "$tmp/e.wav" || fail "--volume 64 --hz 47 is not --demo"
    "$zapmod" render "$module" "$tmp/q.wav" --seconds 3 >"$tmp/out" || fail "default"
    grep -q "^$tmp/q.wav: 3.00 s at 44100 Hz, 16-bit mono, volume 31, the module's tempo$" "$tmp/out" ||
      fail "default settings: $(cat "$tmp/out")"
    "$zapmod" render "$module" "$tmp/r.wav" --seconds 3 --volume 31 --hz 50 >/dev/null || fail "--hz 50"
    cmp -s "$tmp/q.wav" "$tmp/r.wav" || fail "the module's timing (no tempo command) is not 50 ticks a second"
    cmp -s "$tmp/d.wav" "$tmp/q.wav" && fail "the default is the demo's"
    "$zapmod" render "$module" "$tmp/z.wav" --seconds 1 --volume 0 >"$tmp/out" || fail "--volume 0"
    [ -z "$(od -An -v -j44 "$tmp/z.wav" | tr -d ' 0\n')" ] || fail "--volume 0 is not silent"
    grep -q "^peak 0 of 32768 .* clipped 0 of 44100 samples" "$tmp/out" || fail "silence reported as $(cat "$tmp/out")"
    "$zapmod" render "$module" "$tmp/47.wav" --rate 22050 --demo >/dev/null || fail "render at 47 Hz"
    "$zapmod" render "$module" "$tmp/50.wav" --rate 22050 --hz 50 >/dev/null || fail "render at 50 Hz"
    a=$(u32 "$tmp/47.wav" 40) b=$(u32 "$tmp/50.wav" 40)
    # The song ends on a buffer boundary, so the ratio is 50/47 within a buffer or two.
    [ $((b * 50)) -lt $((a * 47 + 100000)) ] && [ $((b * 50)) -gt $((a * 47 - 100000)) ] ||
      fail "at 50 Hz $b bytes, at 47 Hz $a"
    SDL_AUDIODRIVER=dummy timeout 20 "$zapmod" play "$module" --seconds 0.5 --volume 100 --hz 50 >"$tmp/out" 2>&1 ||
      fail "play with --volume and --hz exited $?: $(cat "$tmp/out")"
    ;;
  level_report)
    # The closing line counts what the file holds: its peak and the samples at
    # full scale, where the clamp holds them (16-bit at 44100 Hz, 8-bit
    # unsigned at 22050 Hz).
    for v in 64 252; do
      for rate in 44100 22050; do
        "$zapmod" render "$module" "$tmp/a.wav" --seconds 2 --volume $v --rate $rate >"$tmp/out" || fail "render"
        if [ $rate = 44100 ]; then
          od -An -v -td2 -j44 "$tmp/a.wav" | tr -s ' ' '\n' | grep -v '^$' >"$tmp/samples"
          top=32767 bottom=-32768 scale=32768 n=88200
        else
          od -An -v -tu1 -j44 "$tmp/a.wav" | tr -s ' ' '\n' | grep -v '^$' | awk '{print $1 - 128}' >"$tmp/samples"
          top=127 bottom=-128 scale=128 n=44100
        fi
        full=$(grep -cxE -- "($top|$bottom)" "$tmp/samples")
        peak=$(awk '{v = $1 < 0 ? -$1 : $1; if (v > p) p = v} END {print p + 0}' "$tmp/samples")
        pct=$(awk -v f="$full" -v n=$n 'BEGIN {printf "%.3f", 100 * f / n}')
        grep -qx "peak $peak of $scale (.* dBFS), clipped $full of $n samples ($pct%)" "$tmp/out" ||
          fail "volume $v at $rate: file has peak $peak and $full at full scale; tool said $(tail -n 1 "$tmp/out")"
        [ "$v" = 64 ] || [ "$full" -gt 100 ] || fail "volume 252 at $rate clipped only $full samples"
      done
    done
    ;;
  stereo)
    # 16-bit stereo (and 8-bit stereo at 22050 Hz): the same song, twice the values.
    "$zapmod" render "$module" "$tmp/s.wav" --seconds 2 --stereo >"$tmp/out" || fail "render --stereo"
    check_wav "$tmp/s.wav" 44100 16 2
    [ "$(u32 "$tmp/s.wav" 40)" = $((2 * 44100 * 4)) ] || fail "2 s of stereo are not 352800 bytes"
    grep -q "16-bit stereo" "$tmp/out" || fail "report: $(cat "$tmp/out")"
    grep -q "clipped 0 of 176400 samples" "$tmp/out" || fail "report: $(cat "$tmp/out")"
    "$zapmod" render "$module" "$tmp/t.wav" --seconds 1 --stereo --rate 22050 >/dev/null || fail "8-bit stereo"
    check_wav "$tmp/t.wav" 22050 8 2
    # Separation 0 is both sides alike, but for the mixer's centre (128 of 255).
    "$zapmod" render "$module" "$tmp/c.wav" --seconds 2 --stereo --separation 0 >/dev/null || fail "--separation 0"
    od -An -v -td2 -j44 "$tmp/c.wav" | tr -s ' ' '\n' | grep -v '^$' |
      awk 'NR % 2 { l += ($1 < 0 ? -$1 : $1); next } { r += ($1 < 0 ? -$1 : $1) }
        END { if (l == 0 || l / r < 0.98 || l / r > 1.02) { print l, r; exit 1 } }' ||
      fail "--separation 0 is not centred"
    "$zapmod" render "$module" "$tmp/n.wav" --seconds 2 --interp linear >/dev/null || fail "--interp linear"
    "$zapmod" render "$module" "$tmp/m.wav" --seconds 2 --interp nearest >/dev/null || fail "--interp nearest"
    "$zapmod" render "$module" "$tmp/o.wav" --seconds 2 >/dev/null || fail "default"
    cmp -s "$tmp/m.wav" "$tmp/o.wav" || fail "nearest is not the default"
    cmp -s "$tmp/n.wav" "$tmp/o.wav" && fail "linear changed nothing"
    for bad in "--separation 101" "--separation -1" "--interp cubic" "--stereo --hz 47 --demo"; do
      # shellcheck disable=SC2086
      "$zapmod" render "$module" "$tmp/x.wav" $bad >/dev/null 2>"$tmp/err"
      [ $? = 2 ] || fail "$bad was accepted"
    done
    ;;
  timing)
    # game2.mod sets tempo 135 on its first row: 7912 ticks of 816.67 samples
    # (146.52 s) in its own timing, 168.3 s at the demo's 47 ticks a second.
    [ -r "$moddir/game2.mod" ] || zap_skip music_cli_timing "$moddir/game2.mod is not there"
    "$zapmod" render "$moddir/game2.mod" "$tmp/a.wav" >"$tmp/out" || fail "render failed"
    [ "$(u32 "$tmp/a.wav" 40)" = $((2 * 6461466)) ] || fail "length $(u32 "$tmp/a.wav" 40) bytes: $(cat "$tmp/out")"
    "$zapmod" render "$moddir/game2.mod" "$tmp/d.wav" --demo --rate 22050 >"$tmp/out" || fail "--demo failed"
    [ "$(u32 "$tmp/d.wav" 40)" = $((7912 * 469)) ] || fail "--demo length $(u32 "$tmp/d.wav" 40) bytes"
    "$zapmod" info "$moddir/game2.mod" >"$tmp/out" || fail "info failed"
    grep -qx "duration: 2:26.5 in the module's timing, 2:48.3 at the demo's 47 ticks a second (7912 ticks)" "$tmp/out" ||
      fail "info: $(grep duration "$tmp/out")"
    ;;
  loop)
    # --loop N plays the song N more times: game3 sets its speed on its first
    # row and no tempo, so
    # every pass is as long as the first.
    "$zapmod" render "$module" "$tmp/a.wav" --rate 22050 >/dev/null || fail "render"
    "$zapmod" render "$module" "$tmp/b.wav" --rate 22050 --loop 2 >/dev/null || fail "render --loop 2"
    a=$(u32 "$tmp/a.wav" 40) b=$(u32 "$tmp/b.wav" 40)
    [ "$b" = $((3 * a)) ] || fail "--loop 2 gave $b bytes, one pass $a"
    [ "$(tail -c +45 "$tmp/a.wav" | sha1sum)" = "$(tail -c +45 "$tmp/b.wav" | head -c "$a" | sha1sum)" ] ||
      fail "the first pass differs"
    "$zapmod" render "$module" "$tmp/c.wav" --loop 1 --seconds 2 >/dev/null 2>"$tmp/err"
    [ $? = 2 ] || fail "--loop with --seconds was accepted"
    ;;
  help)
    # Every option of every subcommand: its meaning, range and default.
    for sub in play render trace; do
      "$zapmod" "$sub" --help >"$tmp/h" || fail "$sub --help"
      opts=$(grep -o -- '--[a-z]*' "$tmp/h" | grep -v -- '--help' | sort -u)
      for o in $opts; do
        grep -Eq "^  $o " "$tmp/h" || fail "$sub --help does not explain $o"
      done
    done
    "$zapmod" render --help | grep -A1 -- '--separation' | grep -q "default 70" || fail "separation default"
    "$zapmod" render --help | grep -A2 -- '--volume' | grep -q "31 for four channels" || fail "volume default"
    ;;
  play_quiet)
    # Without a sound card the tool says so in one line of its own (the sound
    # library's own lines are kept back); with one (the dummy output) it says
    # nothing on standard error, and its status line shows speed and tempo.
    SDL_AUDIODRIVER=alsa AUDIODEV=/nonexistent timeout 20 "$zapmod" play "$module" --seconds 0.5 >"$tmp/out" 2>"$tmp/err"
    status=$?
    if [ "$status" = 1 ]; then
      [ "$(wc -l <"$tmp/err")" = 1 ] && grep -q "^zapmod play: no audio output" "$tmp/err" ||
        fail "without a card: $(cat "$tmp/err")"
    fi
    SDL_AUDIODRIVER=dummy timeout 20 "$zapmod" play "$module" --seconds 0.5 >"$tmp/out" 2>"$tmp/err" ||
      fail "play exited $?: $(cat "$tmp/err")"
    [ ! -s "$tmp/err" ] || fail "standard error: $(cat "$tmp/err")"
    grep -Eq "row +[0-9]+  speed +[0-9]+  tempo 125 " "$tmp/out" || fail "status: $(cat "$tmp/out")"
    grep -q "volume 31, the module's tempo" "$tmp/out" || fail "first line: $(cat "$tmp/out")"
    SDL_AUDIODRIVER=dummy timeout 20 "$zapmod" play "$module" --seconds 0.5 --demo --mono >"$tmp/out" 2>"$tmp/err" ||
      fail "play --demo exited $?: $(cat "$tmp/err")"
    grep -q "mono, volume 64" "$tmp/out" || fail "--demo: $(cat "$tmp/out")"
    ;;
  play_missing)
    SDL_AUDIODRIVER=dummy expect_error "$tmp/none.mod" "No such file" play "$tmp/none.mod" --seconds 1
    ;;
  *)
    fail "unknown case"
    ;;
esac
exit 0
