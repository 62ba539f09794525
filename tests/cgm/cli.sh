#!/bin/bash
# Command-line checks of zapcgm: cli.sh ZAPCGM SOURCE_DIR WORK_DIR CASE
set -u
z=$1
src=$2
work=$3
golden=$src/tests/data/cgm/golden.cgm
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs zapcgm with the given arguments; sets out, err and rc.
run() {
  out=$("$z" "$@" 2>"$work/stderr") && rc=0 || rc=$?
  err=$(cat "$work/stderr")
}

case $4 in
dump)
  run dump "$golden"
  [ $rc -eq 0 ] || fail "dump exit $rc: $err"
  if [ "${ZAP_UPDATE_GOLDENS:-0}" != 0 ]; then
    echo "$out" >"$src/tests/data/cgm/golden.dump" && echo "wrote $src/tests/data/cgm/golden.dump" && exit 0
  fi
  diff <(echo "$out") "$src/tests/data/cgm/golden.dump" ||
    fail "dump differs from golden.dump (after a deliberate change, record every golden again with" \
      "scripts/record-goldens)"
  ;;
info)
  run info "$golden"
  [ $rc -eq 0 ] || fail "info exit $rc"
  for want in "colours 9" "background 0x283c78" "primitives 9: outline only 2, fill only 2, both 5, neither 0" \
    "vertices 62" "triangles 31" "fill given up 1: 8" "box x 0..1000 y 0..600 (file units)" \
    "centre 500 300 half-extent 500" "malformed items 0"; do
    grep -qxF "$want" <<<"$out" || fail "info lacks '$want'"
  done
  # Given up: the closed flat triangle (three distinct vertices); not given
  # up: a closed outline of two distinct points, which has none to fill.
  printf 'BEGMF "g"; colrtable 1 1 1 1; polygon (0,0) (5,5) (10,10) (0,0);\n%s\n' \
    'polygon (0,0) (50,50) (0,0); polygon (0,0) (10,0) (0,10);' >"$work/gaveup.cgm"
  run info "$work/gaveup.cgm"
  grep -qxF "fill given up 1: 0" <<<"$out" || fail "info of gaveup.cgm: $out"
  ;;
render)
  run render "$golden" "$work/golden.png" --scale 2
  [ $rc -eq 0 ] || fail "render png exit $rc: $err"
  [ "$(head -c 8 "$work/golden.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "not a PNG"
  run render "$golden" "$work/golden.raw" --skale 250 --px -300 --py 120 --background 3
  [ $rc -eq 0 ] || fail "render raw exit $rc: $err"
  [ "$(stat -c %s "$work/golden.raw")" -eq 64000 ] || fail "raw frame is not 64000 bytes"
  # The background index shows the picture's colour where it is one (9, the
  # last) and the file's background colour where it is not (10).
  for want in "9 255 255 0" "10 40 60 120"; do
    read -r index r g b <<<"$want"
    run render "$golden" "$work/back.png" --background "$index" --scale 1
    [ "$(dd if="$work/back.png" bs=1 skip=37 count=4 2>/dev/null)" = PLTE ] || fail "no palette after the header"
    got=$(od -An -tu1 -j $((41 + 3 * index)) -N 3 "$work/back.png" | xargs)
    [ "$got" = "$r $g $b" ] || fail "--background $index shows $got"
  done
  ;;
missing)
  run dump "$work/no-such.cgm"
  [ $rc -eq 1 ] || fail "dump of a missing file exit $rc"
  [ "$out" = "error cannot open: No such file or directory" ] || fail "dump said '$out'"
  run info "$work/no-such.cgm"
  [ $rc -eq 1 ] || fail "info of a missing file exit $rc"
  [ "$err" = "zapcgm info: $work/no-such.cgm: cannot open: No such file or directory" ] || fail "info said '$err'"
  run render "$work/no-such.cgm" "$work/x.png"
  [ $rc -eq 1 ] || fail "render of a missing file exit $rc"
  ;;
notpicture)
  printf 'hello world\n' >"$work/text.cgm"
  run dump "$work/text.cgm"
  [ $rc -eq 1 ] || fail "dump of a non-picture exit $rc"
  [ "$out" = "error not a picture (no BEGMF)" ] || fail "dump said '$out'"
  run info "$work/text.cgm"
  [ "$err" = "zapcgm info: $work/text.cgm: not a picture (no BEGMF)" ] || fail "info said '$err'"
  : >"$work/empty.cgm"
  run info "$work/empty.cgm"
  [ $rc -eq 1 ] || fail "info of an empty file exit $rc"
  [ "$err" = "zapcgm info: $work/empty.cgm: not a picture (no BEGMF)" ] || fail "info of an empty file said '$err'"
  ;;
stdout_full)
  # Output that cannot be written is a failure in every mode; so is a file
  # that render cannot write.
  for args in "info $golden" "dump $golden" "--help"; do
    # shellcheck disable=SC2086
    "$z" $args >/dev/full 2>"$work/stderr" && rc=0 || rc=$?
    [ $rc -eq 1 ] || fail "$args >/dev/full exit $rc"
    sub=${args%% *}
    [ "$sub" = --help ] && sub= || sub=" $sub"
    [ "$(cat "$work/stderr")" = "zapcgm$sub: standard output: write error: No space left on device" ] ||
      fail "$args >/dev/full said '$(cat "$work/stderr")'"
  done
  ln -sf /dev/full "$work/full.png"
  run render "$golden" "$work/full.png"
  [ $rc -eq 1 ] || fail "render to a full device exit $rc"
  [ "$err" = "zapcgm render: $work/full.png: write error: No space left on device" ] || fail "full device said '$err'"
  # A write that fails part-way (a file size limit of 1 KiB) leaves no
  # partial file and keeps an older file of that name whole.
  for out in new.png new.raw; do
    (ulimit -f 1; trap '' XFSZ; exec "$z" render "$golden" "$work/$out") 2>"$work/stderr" && rc=0 || rc=$?
    [ $rc -eq 1 ] || fail "render past the size limit exit $rc"
    grep -q "^zapcgm render: $work/$out: write error: File too large$" "$work/stderr" || fail "said $(cat "$work/stderr")"
    [ -z "$(ls -A "$work" | grep "$out")" ] || fail "left behind: $(ls -A "$work" | grep "$out")"
  done
  echo old >"$work/old.png"
  (ulimit -f 1; trap '' XFSZ; exec "$z" render "$golden" "$work/old.png") 2>/dev/null
  [ "$(cat "$work/old.png")" = old ] || fail "a failed render changed the older file"
  ;;
usage)
  run
  [ $rc -eq 2 ] || fail "no arguments exit $rc"
  run frobnicate "$golden"
  [ $rc -eq 2 ] || fail "unknown command exit $rc"
  run render "$golden" "$work/out.gif"
  [ $rc -eq 2 ] || fail "bad output name exit $rc"
  run render "$golden" "$work/out.png" --scale 0
  [ $rc -eq 2 ] || fail "bad scale exit $rc"
  run render "$golden" "$work/out.png" --zoom
  [ $rc -eq 2 ] || fail "missing value exit $rc"
  [ "$err" = "zapcgm render: missing value after --zoom
Try 'zapcgm render --help'." ] || fail "missing value said '$err'"
  run render "$golden" "$work/out.raw" --zoom 250 --px -300
  cp "$work/out.raw" "$work/zoom.raw"
  run render "$golden" "$work/out.raw" --skale 250 --px -300
  cmp -s "$work/out.raw" "$work/zoom.raw" || fail "--skale is not --zoom"
  run info
  [ $rc -eq 2 ] || fail "info without file exit $rc"
  ;;
*)
  fail "unknown case $4"
  ;;
esac
echo "ok $4"
