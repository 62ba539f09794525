#!/usr/bin/env bash
# The desktop picture against the sound, through a real sound server: starts
# PulseAudio as this test's own server (a private runtime directory, no system
# daemon, one null sink at 44100 Hz mono), plays the demo through it in real
# time for 10 s with a song of clicks on every row in place of its module,
# records the sink's monitor with the stream's clock, and compares the moments
# the rows were heard with the positions the frames showed (ZAP_FRAME_LOG).
# Prints "desktop picture vs sound: median X ms, max Y ms over N frames"; fails
# when a frame was more than 45 ms from the sound. Frames the machine kept
# from the screen or the sound from the sink in time are left out and counted
# (tests/avsync/avsync.h). Skipped, with the reason, where the server cannot
# start, or where the machine was so busy that fewer than 4 s of frames were
# left to compare.
#   run.sh DEMO_BINARY ZAP_AVSYNC PROJECT_ROOT [paced|unpaced]
# unpaced: the demo draws as fast as it can (the handheld build), and gets no
# real-time priority.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../support/skip.sh"
demo="$1"
tool="$2"
root="$3"
pace="${4:-paced}"
name=avsync_desktop_pulse
seconds=10
command -v pulseaudio >/dev/null || zap_skip $name "no pulseaudio program (scripts/deps installs it)"
[ -f "$root/data/da_plim.mod" ] || zap_skip $name "no data/da_plim.mod in $root"

tmp="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  # ZAP_AVSYNC_KEEP=DIR keeps the recording, the frame log and the logs there.
  [ -n "${ZAP_AVSYNC_KEEP:-}" ] && mkdir -p "$ZAP_AVSYNC_KEEP" && cp -r "$tmp"/*.raw "$tmp"/*.log "$tmp"/*.out "$tmp"/*.err "$ZAP_AVSYNC_KEEP"/ 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# The server's own world: everything it and its clients look for lies under
# $tmp, so neither a system daemon nor a user's session server is touched.
# As root PulseAudio warns that it is meant for users, and runs.
mkdir -p "$tmp/home" "$tmp/run" "$tmp/state"
chmod 700 "$tmp/run"
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" PULSE_RUNTIME_PATH="$tmp/run/pulse" PULSE_STATE_PATH="$tmp/state"
export PULSE_SERVER="unix:$tmp/run/pulse/native"
unset PULSE_SINK PULSE_SOURCE DBUS_SESSION_BUS_ADDRESS
# A desktop gives its sound threads real-time priority (through rtkit), so
# that other work does not starve them; here the server and the demo get it
# from chrt where the machine allows, and run without it where not.
rt=()
chrt -r 10 true 2>/dev/null && rt=(chrt -r 10)
demo_rt=("${rt[@]}")
[ "$pace" = unpaced ] && demo_rt=()
"${rt[@]}" pulseaudio -n --daemonize=no --system=false --use-pid-file=no --exit-idle-time=-1 --disallow-exit \
  --disallow-module-loading --log-target=stderr --log-level=error \
  --load="module-null-sink sink_name=zapsink rate=44100 channels=1 format=s16le norewinds=1" \
  --load="module-native-protocol-unix auth-anonymous=1" </dev/null >"$tmp/server.log" 2>&1 &
server=$!
pids+=("$server")
up=0
for _ in $(seq 50); do
  kill -0 "$server" 2>/dev/null || break
  [ -S "$tmp/run/pulse/native" ] && { up=1; break; }
  sleep 0.1
done
if [ $up = 0 ]; then
  zap_skip $name "the PulseAudio server did not start: $(tail -n 1 "$tmp/server.log")"
fi

# The demo's data with a song of clicks in place of its module.
mkdir -p "$tmp/show/data"
for f in "$root"/data/*; do ln -s "$f" "$tmp/show/data/"; done
rm "$tmp/show/data/da_plim.mod"
"$tool" module "$tmp/show/data/da_plim.mod" || exit 1

# The recording first, so it holds the silence before the first row.
"$tool" record zapsink.monitor $((seconds + 2)) "$tmp/rec.raw" >"$tmp/rec.out" 2>"$tmp/rec.err" &
rec=$!
pids+=("$rec")
for _ in $(seq 50); do grep -q ready "$tmp/rec.out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$tmp/rec.out" || { echo "the recording did not start: $(cat "$tmp/rec.err")"; exit 1; }
sleep 0.3

# SDL 2 and the sound server's client library keep a few allocations past
# SDL_Quit; a sanitizer build's leak checker is told to look past them.
printf 'leak:libSDL2-2.0.so\nleak:libpulse\n' >"$tmp/lsan.supp"
export LSAN_OPTIONS="suppressions=$tmp/lsan.supp:print_suppressions=0"
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=pulseaudio ZAP_FRAME_LOG="$tmp/frames.log" \
  "${demo_rt[@]}" "$demo" --no-warning --data "$tmp/show" </dev/null >/dev/null 2>"$tmp/demo.err" &
show=$!
pids+=("$show")
# Halfway, what the server says of the demo's stream: the buffer it holds
# and the sink's latency.
sleep $((seconds / 2))
pactl list sink-inputs 2>/dev/null | awk '/Buffer Latency|Sink Latency/ { printf "%s%s", sep, $0; sep = ";" } END { if (sep) print "" }' |
  sed 's/^[[:space:]]*/     the demo'"'"'s stream: /; s/;[[:space:]]*/, /g'
sleep $((seconds - seconds / 2))
kill -0 "$show" 2>/dev/null || { echo "the demo ended early: $(cat "$tmp/demo.err")"; exit 1; }
kill -TERM "$show"
# A stop is due after the next frame; a hang is cut after 10 s.
for _ in $(seq 100); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
kill -0 "$show" 2>/dev/null && { kill -KILL "$show"; echo "the termination signal did not stop the demo"; exit 1; }
wait "$show"
rc=$?
[ "$rc" = 0 ] || { echo "the demo ended with status $rc: $(cat "$tmp/demo.err")"; exit 1; }
# The demo says so when SDL could not use the server and the music fell back
# to the silent timer: this SDL has no way to the server.
if grep -q '^zapcobbles: no audio output' "$tmp/demo.err"; then
  zap_skip $name "SDL cannot play through the PulseAudio server: $(head -n 1 "$tmp/demo.err")"
fi
[ -s "$tmp/demo.err" ] && { echo "the demo said: $(cat "$tmp/demo.err")"; exit 1; }
wait "$rec" || { echo "the recording failed: $(cat "$tmp/rec.err")"; exit 1; }
t0=$(awk '$1 == "t0_us" { print $2 }' "$tmp/rec.out")
sed -n 's/^clock readings/     recording: clock readings/p' "$tmp/rec.out"
"$tool" compare "$tmp/rec.raw" "$t0" "$tmp/frames.log" 2>"$tmp/compare.err"
rc=$?
cat "$tmp/compare.err" >&2
[ $rc = 3 ] && zap_skip $name "$(sed 's/^zap_avsync: //' "$tmp/compare.err")"
exit $rc
