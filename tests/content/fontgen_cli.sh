#!/bin/bash
# Command-line checks of fontgen: fontgen_cli.sh FONTGEN SOURCE_DIR WORK_DIR CASE
set -u
fg=$1
src=$2
work=$3
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs fontgen with the given arguments; sets rc and err.
run() {
  "$fg" "$@" >"$work/stdout" 2>"$work/stderr" && rc=0 || rc=$?
  err=$(cat "$work/stderr")
}

case $4 in
regenerate)
  run make "$work/fontti.raw"
  [ $rc -eq 0 ] || fail "make exit $rc: $err"
  cmp "$work/fontti.raw" "$src/data/fontti.raw" ||
    fail "data/fontti.raw differs from what fontgen makes: if the change is meant, run fontgen make data/fontti.raw"
  ;;
sheet)
  run sheet "$src/data/fontti.raw" "$work/font.png" --scale 1
  [ $rc -eq 0 ] || fail "sheet exit $rc: $err"
  [ "$(head -c 24 "$work/font.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a0000000d49484452000003c0000002d8 ] ||
    fail "not a 960x728 PNG"
  ;;
errors)
  run make "$work/x.raw" --font "$work/no-such.otf"
  [ $rc -eq 1 ] || fail "missing font exit $rc"
  [[ $err == "fontgen make: $work/no-such.otf: cannot open as a font"* ]] || fail "missing font said '$err'"
  run make "$work/no-such-dir/x.raw"
  [ $rc -eq 1 ] || fail "unwritable output exit $rc"
  [ "$err" = "fontgen make: $work/no-such-dir/x.raw: No such file or directory" ] || fail "unwritable output said '$err'"
  head -c 1000 "$src/data/fontti.raw" >"$work/short.raw"
  run sheet "$work/short.raw" "$work/x.png"
  [ $rc -eq 1 ] || fail "short font image exit $rc"
  [ "$err" = "fontgen sheet: $work/short.raw: not a font image (122880 bytes expected)" ] || fail "short image said '$err'"
  run sheet "$src/data/fontti.raw"
  [ $rc -eq 2 ] || fail "missing argument exit $rc"
  # Writes that fail part-way (a file size limit of 1 KiB) leave no partial file.
  for args in "make $work/cut.raw" "sheet $src/data/fontti.raw $work/cut.png"; do
    # shellcheck disable=SC2086
    (ulimit -f 1; trap '' XFSZ; exec "$fg" $args) 2>"$work/stderr" && rc=0 || rc=$?
    [ $rc -eq 1 ] || fail "$args past the size limit exit $rc"
    grep -q "^fontgen ${args%% *}: $work/cut\.[a-z]*: write error: File too large$" "$work/stderr" ||
      fail "$args said $(cat "$work/stderr")"
    [ -z "$(ls -A "$work" | grep cut)" ] || fail "$args left $(ls -A "$work" | grep cut)"
  done
  ;;
*)
  fail "unknown case $4"
  ;;
esac
exit 0
