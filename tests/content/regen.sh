#!/bin/bash
# regen.sh PICGEN SOURCE_DIR WORK_DIR: runs the generator into WORK_DIR and
# compares every file it writes with the one in data/.
set -u
gen=$1
src=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
"$gen" "$work" >"$work/.log" 2>&1 || { cat "$work/.log" >&2; echo "FAIL: picgen exit status $?" >&2; exit 1; }
n=0
for f in "$work"/*; do
  name=$(basename "$f")
  cmp -s "$f" "$src/data/$name" || { echo "FAIL: data/$name differs from what picgen writes now" >&2; exit 1; }
  n=$((n + 1))
done
[ $n -eq 12 ] || { echo "FAIL: picgen wrote $n files, expected 12" >&2; exit 1; }
echo "picgen reproduces all $n files"
