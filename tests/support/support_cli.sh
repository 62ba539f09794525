#!/bin/bash
# Checks of the test suite's plumbing.
#
#   support_cli.sh PROJECT_ROOT BUILD_DIR CASE
#
# skip_reason: zap_skip (skip.sh) exits 77 and writes its reason into the
#              output of a parent named ctest (here a copy of bash) when that
#              is a pipe, and leaves a parent's output file alone.
# record_list: scripts/record-goldens --list names a test for every golden
#              record under tests/data.
set -u
root=$1
build=$2
case=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL ($case): $*" >&2; exit 1; }

case $case in
  skip_reason)
    cp "$(command -v bash)" "$tmp/ctest"
    run=". '$root/tests/support/skip.sh'; zap_skip some_test 'no data here'"
    # The child must not replace its parent: "; true" keeps the stand-in running.
    out=$("$tmp/ctest" -c "bash -c \"$run\"; echo status \$?; true" | cat)
    want=$'skip: no data here\n    some_test skipped: no data here\nstatus 77'
    [ "$out" = "$want" ] || fail "got: $out"
    "$tmp/ctest" -c "bash -c \"$run\"; echo status \$?; true" >"$tmp/log"
    [ "$(cat "$tmp/log")" = $'skip: no data here\nstatus 77' ] || fail "into a file: $(cat "$tmp/log")"
    # Under any other parent only the script's own output says it.
    [ "$(bash -c "$run")" = "skip: no data here" ] || fail "without ctest"
    ;;
  record_list)
    list=$("$root/scripts/record-goldens" --build "$build" --list) || fail "--list failed"
    for t in Golden.EveryScenesFrameAndPalette Golden.FrameHashes GoldenTrace.RealModuleGame \
      GoldenTrace.SyntheticEveryEffect BothRates/RealModule.Game3MatchesCheckedInHash/Rate44100 \
      capture_cli_span zapcgm_dump; do
      grep -q "^$t\b" <<<"$list" || fail "$t is not among the tests it records: $list"
    done
    ! grep -q "_errors$" <<<"$list" || fail "it records more than the goldens: $list"
    ;;
  *) fail "unknown case" ;;
esac
exit 0
