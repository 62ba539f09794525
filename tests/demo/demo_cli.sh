#!/usr/bin/env bash
# The demo end to end on the shipped data: headless, silent, 40 times faster
# than real time (ZAP_TIME_SCALE), from the start to the stop at the end of
# the song; it must exit 0 and write nothing on standard error. Nothing but
# the stop position ends the demo here, so exit 0 means the song was played
# through; a hang is cut by the timeout.
#   demo_cli.sh DEMO_BINARY PROJECT_ROOT
set -u
bin="$1"
root="$2"
cd "$root" || exit 1
if [ ! -f data/da_plim.mod ]; then
  echo "no data/da_plim.mod in $root: skipped"
  exit 77
fi
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# SDL 2 keeps a few allocations past SDL_Quit; a sanitizer build's leak
# checker is told to look past them, as in the test programs.
echo "leak:libSDL2-2.0.so" > "$tmp/lsan.supp"
export LSAN_OPTIONS="suppressions=$tmp/lsan.supp"
start=$(date +%s)
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ZAP_TIME_SCALE=40 timeout 120 "$bin" </dev/null >/dev/null 2>"$tmp/err"
rc=$?
echo "exit $rc after $(( $(date +%s) - start )) s"
if [ -s "$tmp/err" ]; then
  echo "unexpected output on standard error:"
  cat "$tmp/err"
  exit 1
fi
exit $rc
