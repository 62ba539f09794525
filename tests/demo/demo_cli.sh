#!/usr/bin/env bash
# The demo end to end on the shipped data: headless, silent, 40 times faster
# than real time (ZAP_TIME_SCALE), from the start to the stop at the end of
# the song; it must exit 0 and write nothing on standard error. It is started
# from / with no --data: the program in its build tree finds the source
# tree's data itself. Nothing but
# the stop position ends the demo here, so exit 0 means the song was played
# through; a hang is cut by the timeout.
#
# With CASE stop_without_sound: no sound device (an audio driver that does not
# exist) and real time, so the music runs from the silent timer; after two
# seconds the demo is still running, and a termination signal (SDL turns it into the
# window's close request, the desktop's stop) ends it with status 0, the one
# line about the silent music being all it says. hangup_without_sound: the
# same with SIGHUP (the terminal closed), which SDL does not catch.
#   demo_cli.sh DEMO_BINARY PROJECT_ROOT [CASE]
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../support/skip.sh"
bin="$1"
root="$2"
case="${3:-whole_song}"
cd "$root" || exit 1
[ -f "$root/data/da_plim.mod" ] || zap_skip "demo_cli_$case" "no data/da_plim.mod in $root"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# SDL 2 keeps a few allocations past SDL_Quit; a sanitizer build's leak
# checker is told to look past them, as in the test programs.
echo "leak:libSDL2-2.0.so" > "$tmp/lsan.supp"
export LSAN_OPTIONS="suppressions=$tmp/lsan.supp"
if [ "$case" = stop_without_sound ] || [ "$case" = hangup_without_sound ]; then
  sig=TERM
  [ "$case" = hangup_without_sound ] && sig=HUP
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=zap-no-such-driver "$bin" </dev/null >/dev/null 2>"$tmp/err" &
  pid=$!
  sleep 2
  kill -0 "$pid" 2>/dev/null || { echo "the demo ended by itself: $(cat "$tmp/err")"; exit 1; }
  kill "-$sig" "$pid"
  # A stop is due after the next frame; a hang is cut after 10 s.
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; echo "the signal did not stop it"; exit 1; }
  wait "$pid"
  rc=$?
  want="zapcobbles: no audio output (SDL audio error: Audio target 'zap-no-such-driver' not available); the music runs silently"
  [ "$rc" = 0 ] || { echo "exit status $rc: $(cat "$tmp/err")"; exit 1; }
  [ "$(cat "$tmp/err")" = "$want" ] || { echo "standard error: $(cat "$tmp/err")"; exit 1; }
  exit 0
fi
start=$(date +%s)
cd / || exit 1
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ZAP_TIME_SCALE=40 timeout 120 "$bin" </dev/null >/dev/null 2>"$tmp/err"
rc=$?
echo "exit $rc after $(( $(date +%s) - start )) s"
if [ -s "$tmp/err" ]; then
  echo "unexpected output on standard error:"
  cat "$tmp/err"
  exit 1
fi
exit $rc
