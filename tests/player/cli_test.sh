#!/bin/bash
# Command-line checks of `zapmod info` and `zapmod trace`.
#   cli_test.sh ZAPMOD WORKDIR MODULE_DIR CASE
# Each case builds what it needs in WORKDIR (a small module written byte by
# byte below, an empty file, cut copies) and fails with a message on stderr.
set -u
zapmod=$1
work=$2
moddir=$3
case=$4
mkdir -p "$work/$case" && cd "$work/$case" || exit 1

fail() {
  echo "FAIL ($case): $*" >&2
  exit 1
}

# A four-channel module: sample 1 "kick", 4 bytes, finetune -1, volume 48, no
# loop; samples 2 and 3 empty with finetunes 7 and -8; one pattern whose
# first cell plays sample 1 at period 428 with C20.
write_module() {
  {
    head -c 20 /dev/zero
    printf 'kick'
    head -c 18 /dev/zero
    printf '\000\002\017\060\000\000\000\001'
    head -c 22 /dev/zero
    printf '\000\000\007\000\000\000\000\000'
    head -c 22 /dev/zero
    printf '\000\000\010\000\000\000\000\000'
    head -c $((28 * 30)) /dev/zero
    printf '\001\000'
    head -c 128 /dev/zero
    printf 'M.K.'
    printf '\001\254\034\040'
    head -c 1020 /dev/zero
    printf '\001\002\003\004'
  } >"$1"
}

# expect_fail STATUS CMD...: the command exits with STATUS and says
# "zapmod SUB: ..." on stderr.
expect_fail() {
  local want=$1
  shift
  "$@" >out.txt 2>err.txt
  local rc=$?
  [ "$rc" = "$want" ] || fail "$* exited $rc, expected $want"
  grep -q "^zapmod $2: " err.txt || fail "$*: no 'zapmod $2: ' message on stderr: $(cat err.txt)"
}

write_module small.mod
case $case in
  info_small)
    "$zapmod" info small.mod >out.txt 2>err.txt || fail "exit $?: $(cat err.txt)"
    for want in '^id: M\.K\.$' '^channels: 4$' '^song length: 1$' '^restart: 0$' '^patterns: 1$' \
      '^ +1 +kick +4 +0 +2 +48 +-1$' '^ +2 +0 +0 +0 +0 +7$' '^ +3 +0 +0 +0 +0 +-8$' '^ +31 +0 +0 +0 +0 +0$'; do
      grep -Eq "$want" out.txt || fail "no line matching $want in: $(cat out.txt)"
    done
    ;;
  info_real)
    [ -f "$moddir/game3.mod" ] || { echo "no $moddir/game3.mod: skipped"; exit 0; }
    "$zapmod" info "$moddir/game3.mod" >out.txt 2>err.txt || fail "exit $?: $(cat err.txt)"
    grep -q '^channels: 4$' out.txt || fail "game3.mod: $(cat out.txt)"
    [ "$(grep -Ec '^ +[0-9]+ ' out.txt)" = 31 ] || fail "expected 31 sample rows"
    ;;
  trace_small)
    "$zapmod" trace small.mod --ticks 7 >out.txt 2>err.txt || fail "exit $?: $(cat err.txt)"
    {
      echo 'getsample 1 4 0 2 0'
      echo 'activechannels 4'
      echo 'tick 0'
      printf '%s\n' 'select 0' 'panning 112' 'sample 1' 'period 431' 'offset 0' 'volume 32'
      printf '%s\n' 'select 1' 'select 2' 'select 3' 'pos 0 0'
      for k in 1 2 3 4 5; do
        printf '%s\n' "tick $k" 'select 0' 'select 1' 'select 2' 'select 3' "pos 0 $k"
      done
      printf '%s\n' 'tick 6' 'select 0' 'select 1' 'select 2' 'select 3' 'pos 1 0'
    } >want.txt
    diff want.txt out.txt >diff.txt || fail "trace differs: $(cat diff.txt)"
    "$zapmod" trace small.mod --ticks 0 >out.txt 2>err.txt || fail "--ticks 0: exit $?: $(cat err.txt)"
    head -n 2 want.txt | diff - out.txt >diff.txt || fail "--ticks 0 is loading alone: $(cat diff.txt)"
    "$zapmod" trace small.mod >out.txt || fail "default ticks: exit $?"
    [ "$(grep -c '^tick ' out.txt)" = 2000 ] || fail "default is not 2000 ticks"
    # 1999 = 333 x 6 + 1: row 333 of a one-entry song is row 13, tick 1.
    [ "$(tail -n 1 out.txt)" = 'pos 13 1' ] || fail "last line after 2000 ticks: $(tail -n 1 out.txt)"
    ;;
  trace_real)
    [ -f "$moddir/game.mod" ] || { echo "no $moddir/game.mod: skipped"; exit 0; }
    "$zapmod" trace "$moddir/game.mod" --ticks 3000 >out.txt 2>err.txt || fail "exit $?: $(cat err.txt)"
    [ "$(grep -c '^getsample ' out.txt)" = 19 ] || fail "expected 19 samples"
    [ "$(grep -c '^pos ' out.txt)" = 3000 ] || fail "expected 3000 ticks"
    grep -Ev '^(getsample( [0-9]+){5}|activechannels 4|tick [0-9]+|(select|volume|panning|sample|period|offset) [0-9]+|pos -?[0-9]+ [0-9]+)$' \
      out.txt | head -n 3 >bad.txt
    [ -s bad.txt ] && fail "lines outside the format: $(cat bad.txt)"
    ;;
  missing)
    expect_fail 1 "$zapmod" info does-not-exist.mod
    expect_fail 1 "$zapmod" trace does-not-exist.mod
    ;;
  empty)
    : >empty.mod
    expect_fail 1 "$zapmod" info empty.mod
    grep -q 'empty.mod' err.txt || fail "message does not name the file"
    expect_fail 1 "$zapmod" trace empty.mod
    ;;
  truncated)
    head -c 1000 small.mod >header.mod
    expect_fail 1 "$zapmod" info header.mod
    # In the tool's words, not the loader's ("pt_takemod error: ...").
    grep -qx 'zapmod info: header.mod: not a module the player takes: the file is cut short in header (1000 of 1084 bytes)' \
      err.txt || fail "$(cat err.txt)"
    grep -q 'pt_takemod' err.txt && fail "the loader's name in the message: $(cat err.txt)"
    head -c 1500 small.mod >pattern.mod
    expect_fail 1 "$zapmod" info pattern.mod
    grep -q 'cut short in pattern 0' err.txt || fail "$(cat err.txt)"
    "$zapmod" trace pattern.mod >out.txt
    [ $? = 1 ] || fail "trace of a cut module must exit 1"
    [ "$(cat out.txt)" = 'error pt_takemod error: module cut short in pattern 0' ] || fail "$(cat out.txt)"
    # A file cut inside a sample is played (the rest is silence): every
    # command takes it with the same warning and exits 0, as the demo does.
    head -c 2110 small.mod >samples.mod
    for args in "info samples.mod" "trace samples.mod --ticks 1" "render samples.mod out.wav --seconds 0.1"; do
      # shellcheck disable=SC2086
      "$zapmod" $args >out.txt 2>err.txt || fail "$args: exit $?: $(cat err.txt)"
      [ "$(cat err.txt)" = "zapmod ${args%% *}: samples.mod: warning: the file ends inside sample 1, which is cut short" ] ||
        fail "$args: $(cat err.txt)"
    done
    ;;
  not_module)
    for i in $(seq 1 100); do echo "this is a text file, not a module, line $i"; done >text.mod
    expect_fail 1 "$zapmod" info text.mod
    grep -qx 'zapmod info: text.mod: not a module the player takes: unknown module type' err.txt || fail "$(cat err.txt)"
    "$zapmod" trace text.mod >out.txt
    [ $? = 1 ] || fail "trace of a non-module must exit 1"
    [ "$(cat out.txt)" = 'error pt_takemod error: unknown module type!' ] || fail "$(cat out.txt)"
    ;;
  stdout_full)
    # Output that cannot be written is a failure in every mode.
    for args in "info small.mod" "trace small.mod --ticks 1" "render small.mod out.wav --seconds 0.1" \
      "play small.mod --seconds 0.1" "--help"; do
      # shellcheck disable=SC2086
      SDL_AUDIODRIVER=dummy "$zapmod" $args >/dev/full 2>err.txt
      rc=$?
      [ "$rc" = 1 ] || fail "$args >/dev/full exited $rc"
      grep -Eq '^zapmod( [a-z]+)?: standard output: write error: No space left on device$' err.txt ||
        fail "$args >/dev/full said: $(cat err.txt)"
    done
    ;;
  bad_args)
    "$zapmod" trace small.mod --ticks x >/dev/null 2>&1
    [ $? = 2 ] || fail "--ticks x must be a usage error"
    "$zapmod" trace small.mod --ticks >/dev/null 2>&1
    [ $? = 2 ] || fail "--ticks without a value must be a usage error"
    "$zapmod" info >/dev/null 2>&1
    [ $? = 2 ] || fail "info without a file must be a usage error"
    "$zapmod" render small.mod out.wav --volume 300 >/dev/null 2>&1
    [ $? = 2 ] || fail "--volume 300 must be a usage error"
    [ ! -e out.wav ] || fail "a refused render wrote its output"
    "$zapmod" --help | grep -q 'render FILE OUT.wav .*\[--volume N\]' || fail "usage does not name --volume"
    "$zapmod" --help | grep -q '\[--hz N | --demo\] \[--stereo\]' || fail "usage does not name --hz, --demo and --stereo"
    ;;
  render_no_end)
    # One order entry that wraps onto itself ends where its first row comes
    # again: 64 rows of 6 ticks, 882 samples each (50 ticks a second) or 469
    # at the demo's 47 (22050 Hz); no word of a cap.
    "$zapmod" render small.mod out.wav --rate 22050 >out.txt 2>err.txt || fail "exit $?: $(cat err.txt)"
    [ "$(stat -c %s out.wav)" = $((44 + 64 * 6 * 441)) ] || fail "not 64 rows: $(stat -c %s out.wav) bytes"
    "$zapmod" render small.mod out.wav --rate 22050 --demo >out.txt 2>err.txt || fail "exit $?: $(cat err.txt)"
    [ "$(stat -c %s out.wav)" = $((44 + 64 * 6 * 469)) ] || fail "--demo: not 64 rows: $(stat -c %s out.wav) bytes"
    grep -q "end was not found" out.txt && fail "a cap reported: $(cat out.txt)"
    "$zapmod" render small.mod out.wav --seconds 1 >out.txt || fail "--seconds 1"
    [ "$(stat -c %s out.wav)" = $((44 + 88200)) ] || fail "--seconds 1 is not 1 s"
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "ok ($case)"
