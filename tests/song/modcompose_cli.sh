#!/bin/bash
# Command-line checks of modcompose.
#
#   modcompose_cli.sh MODCOMPOSE SOURCE_DIR CASE
#
# Exits 0 when the case holds, 1 with a message when it does not.
set -u
modcompose=$1
src=$2
case=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL ($case): $*" >&2; exit 1; }

# A small valid score (four channels, two drums, a bass with a joined,
# transposed track; also the score reader's fuzz seed); the bad cases below
# change one line of it.
good_score() { cat "$src/tests/data/song/check.score"; }

# Runs modcompose on the score from stdin; expects exit 1 and exactly the message
# "modcompose: SCORE:LINE:COLUMN: ...".
expect_error() {
  local want=$1 out status
  cat > "$tmp/bad.score"
  out=$("$modcompose" "$tmp/bad.score" "$tmp/out.mod" 2>&1 >/dev/null)
  status=$?
  [ "$status" = 1 ] || fail "exit status $status, wanted 1, for: $want"
  [ "$out" = "modcompose: $tmp/bad.score:$want" ] || fail "message '$out', wanted 'modcompose: $tmp/bad.score:$want'"
  [ ! -e "$tmp/out.mod" ] || fail "an output was written for a bad score"
}

case $case in
regenerates)
  # The shipped module is exactly what the score makes.
  "$modcompose" "$src/data/music/da_plim.score" "$tmp/da_plim.mod" || fail "modcompose failed on the shipped score"
  cmp "$tmp/da_plim.mod" "$src/data/da_plim.mod" || fail "data/da_plim.mod differs from what its score makes"
  ;;
bad_scores)
  good_score > "$tmp/good.score"
  "$modcompose" "$tmp/good.score" "$tmp/good.mod" || fail "the valid score was refused"
  [ "$(dd if="$tmp/good.mod" bs=1 skip=1080 count=4 2>/dev/null)" = "M.K." ] || fail "four channels should give M.K."
  good_score | sed 's/^title "check"/tittle "check"/' | expect_error \
    "1:1: expected 'title', 'channels', 'instrument', 'track', 'pattern' or 'order', found 'tittle'"
  good_score | sed 's/^8 A-1 bass/8 A-4 bass/' | expect_error \
    "7:3: expected a note in the range of 'bass' (C-1..B-3), found A-4"
  good_score | sed 's/beat beat+5$/beat beat+36/' | expect_error \
    "9:19: expected a transposition and instrument that keep line 7 in the range of 'bass' (C-1..B-3), found A-4"
  good_score | sed 's/E-2 bass EC3/E-2 bass EC3 v20/' | expect_error "7:29: expected one effect per cell"
  good_score | sed 's/^0 kick; 4 kick/0 kick; 4 kik/' | expect_error \
    "6:11: expected an instrument, found 'kik', which is not one"
  good_score | sed 's/^b beat@bass/b beat@bass beat*4/' | expect_error "12:13: expected at most 64 rows on a channel, found 80"
  good_score | sed 's/^order p\*2/order q/' | expect_error "14:7: expected a pattern defined above, found 'q'"
  good_score | sed '8d' | expect_error "8:1: expected 'end' to close track 'beat', found 'track'"
  good_score | sed 's/^channels a b c d/channels a b c/' | expect_error "2:10: expected 4, 6 or 8 channel names, found 3"
  ;;
usage)
  out=$("$modcompose" 2>&1); status=$?
  [ "$status" = 2 ] || fail "no arguments: exit status $status, wanted 2"
  [ "$out" = "modcompose: SCORE and OUT.mod are needed"$'\n'"Try 'modcompose --help'." ] || fail "no message and pointer to --help: $out"
  "$modcompose" a b c >/dev/null 2>&1; [ $? = 2 ] || fail "three arguments should be a usage error"
  out=$("$modcompose" --help); [ $? = 0 ] && [[ "$out" == usage:* ]] || fail "--help should print the usage and succeed"
  ;;
missing_score)
  out=$("$modcompose" "$tmp/none.score" "$tmp/out.mod" 2>&1); status=$?
  [ "$status" = 1 ] || fail "exit status $status, wanted 1"
  [[ "$out" == "modcompose: $tmp/none.score: "* ]] || fail "message does not name the score: $out"
  ;;
unwritable)
  good_score > "$tmp/good.score"
  out=$("$modcompose" "$tmp/good.score" "$tmp/no/such/dir/out.mod" 2>&1); status=$?
  [ "$status" = 1 ] || fail "exit status $status for an unwritable path, wanted 1"
  [[ "$out" == "modcompose: $tmp/no/such/dir/out.mod: "* ]] || fail "message does not name the output: $out"
  if [ -e /dev/full ]; then
    out=$("$modcompose" "$tmp/good.score" /dev/full 2>&1); status=$?
    [ "$status" = 1 ] || fail "exit status $status writing to /dev/full, wanted 1"
    [[ "$out" == *"write error"* ]] || fail "no write error reported for /dev/full: $out"
  fi
  ;;
*)
  fail "unknown case"
  ;;
esac
exit 0
