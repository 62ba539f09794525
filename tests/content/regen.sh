#!/bin/bash
# regen.sh PICGEN SOURCE_DIR WORK_DIR CASE
#   regenerate: runs the generator into WORK_DIR and compares every file it
#               writes with the one in data/
#   errors:     an unknown file name is a usage error (2), an unwritable
#               directory a failure (1), each with a message
set -u
gen=$1
src=$2
work=$3
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

case $4 in
regenerate)
  "$gen" "$work" >"$work/.log" 2>&1 || { cat "$work/.log" >&2; fail "picgen exit status $?"; }
  n=0
  for f in "$work"/*; do
    name=$(basename "$f")
    cmp -s "$f" "$src/data/$name" || fail "data/$name differs from what picgen writes now"
    n=$((n + 1))
  done
  [ $n -eq 12 ] || fail "picgen wrote $n files, expected 12"
  ;;
errors)
  "$gen" "$work" nosuch.cgm >/dev/null 2>"$work/err"; rc=$?
  [ $rc -eq 2 ] || fail "unknown name: exit $rc, expected 2"
  grep -q "unknown file name" "$work/err" || fail "unknown name: no message"
  "$gen" "$work/missing/dir" stara.cgm >/dev/null 2>"$work/err"; rc=$?
  [ $rc -eq 1 ] || fail "unwritable directory: exit $rc, expected 1"
  grep -q "^picgen: $work/missing/dir/stara.cgm: No such file or directory$" "$work/err" || fail "unwritable directory: no message naming the file"
  ;;
*)
  fail "unknown case $4"
  ;;
esac
echo "ok"
