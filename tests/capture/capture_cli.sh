#!/bin/bash
# Command-line checks of zapcapture on the shipped data.
#
#   capture_cli.sh ZAPCAPTURE ZAPMOD PROJECT_ROOT CASE
#
# span:   36 s of the demo at 10 frames a second (three scenes): the hashes of
#         the raw frames picked, their palettes, the WAV and the summary match
#         tests/data/capture/span.txt (ZAP_UPDATE_GOLDENS=1 rewrites it, as
#         scripts/record-goldens does); the WAV equals `zapmod render --demo` over
#         the same span; stills come out the same on a second run. Recorded
#         or differing, the span's stills are kept in $ZAP_GOLDEN_FRAMES/span.
# warning: --warning puts the card's 6 s before the show: its frames differ
#         from the show's and stay in the card's palette, the show's frames
#         and palettes after it are those of a run without it, 6 s later, and
#         the WAV is 6 s of silence and then the same sound.
# errors: usage errors exit 2, bad files exit 1 naming the file, --help.
# video:  a short video through ffmpeg has both streams and its duration;
#         without ffmpeg the tool says so (needs ffmpeg: host only).
# flashes: the flash check of the gentle show: no second fails (exit status
#         0), general or red, and its table of seconds says the same.
# flashes_default: the flash check of the default show prints what
#         tests/data/capture/flashes.txt holds (the failing seconds per scene,
#         general and red; ZAP_UPDATE_GOLDENS=1 rewrites it), exits 1, and
#         docs/tools.md quotes its count, the README says it ("34 of its 205 seconds").
#         With ZAP_FLASH_SPAN=FROM:TO (the slow builds) both check only that
#         span of seconds; the default show's report of the bounce, which lies
#         wholly inside it, must then match the record's.
# gentle: the gentle show against the default one, a frame a second: the same
#         sound, palettes and scene changes, the same frames outside the star
#         scroll and the bounce, and other frames in those two.
# outputs: a run that fails (a mux that fails or is interrupted, nothing to
#         write, a data directory missing) leaves older outputs as they were
#         and no file or directory of its own (a stand-in ffmpeg).
# Exits 0 when the case holds, 1 with a message when not, 77 to skip.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../support/skip.sh"
cap=$1
zapmod=$2
root=$3
case=$4

cd "$root" || exit 1
[ -f data/da_plim.mod ] || zap_skip "capture_cli_$case" "no data/da_plim.mod in $root"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# SDL 2 keeps a few allocations past SDL_Quit; a sanitizer build's leak
# checker is told to look past them, as in the test programs.
echo "leak:libSDL2-2.0.so" > "$tmp/lsan.supp"
export LSAN_OPTIONS="print_suppressions=0:suppressions=$tmp/lsan.supp"

fail() { echo "FAIL ($case): $*" >&2; exit 1; }
# The span of the flash checks in a slow build (ZAP_FLASH_SPAN=FROM:TO), as options.
span=()
[ -z "${ZAP_FLASH_SPAN:-}" ] || span=(--from "${ZAP_FLASH_SPAN%%:*}" --to "${ZAP_FLASH_SPAN##*:}")

# Runs zapcapture expecting exit status $1 and a first stderr line matching $2.
expect() {
  local want=$1 pattern=$2 err status
  shift 2
  err=$("$cap" "$@" 2>&1 >/dev/null)
  status=$?
  [ "$status" = "$want" ] || fail "zapcapture $*: exit status $status, wanted $want: $err"
  [[ "$(head -n1 <<<"$err")" =~ $pattern ]] || fail "zapcapture $*: message does not match '$pattern': $err"
}

case $case in
  span)
    golden=$root/tests/data/capture/span.txt
    frames=${ZAP_GOLDEN_FRAMES:-$root/build/golden-frames}/span
    # The span's stills as PNG, the frames the hashes are of, kept for a look.
    keep_frames() {
      rm -rf "$frames" && mkdir -p "$frames" &&
        "$cap" --fps 10 --to 36 --frames "$frames" --every 30 >/dev/null || fail "the span's stills failed"
    }
    "$cap" --fps 10 --to 36 --wav "$tmp/span.wav" --raw "$tmp/raw" --every 30 > "$tmp/summary" ||
      fail "the capture failed"
    { (cd "$tmp/raw" && sha256sum -- *); (cd "$tmp" && sha256sum span.wav); cat "$tmp/summary"; } > "$tmp/got"
    if [ "${ZAP_UPDATE_GOLDENS:-0}" != 0 ]; then
      keep_frames
      mkdir -p "$(dirname "$golden")" && cp "$tmp/got" "$golden" && echo "wrote $golden; its frames are in $frames"
      exit 0
    fi
    diff "$golden" "$tmp/got" >&2 || {
      keep_frames
      fail "the span differs from $golden; its frames are in $frames (after a deliberate change, record every" \
        "golden again with scripts/record-goldens)"
    }

    # 36 s at 44100 Hz: the whole stream from the first tick, as an offline render has it.
    "$zapmod" render data/da_plim.mod "$tmp/ref.wav" --seconds 36 --demo >/dev/null || fail "zapmod render failed"
    cmp "$tmp/ref.wav" "$tmp/span.wav" >&2 || fail "the WAV is not the module's render"

    for run in 1 2; do
      "$cap" --fps 10 --to 2 --frames "$tmp/png$run" --every 7 --at 0.55 >/dev/null || fail "stills, run $run"
    done
    [ "$(ls "$tmp/png1" | tr '\n' ' ')" = "00000.png 00005.png 00007.png 00014.png " ] ||
      fail "stills picked: $(ls "$tmp/png1")"
    # A still past the span is a failure that names its time; the summary
    # counts the files written.
    "$cap" --fps 10 --to 1 --frames "$tmp/png3" --at 0.5 --at 7.25 >"$tmp/out" 2>"$tmp/err"
    [ $? = 1 ] || fail "a still past the span did not fail"
    grep -qx "zapcapture: no still at 0:07.200: the capture ran frames 0..9 only" "$tmp/err" || fail "$(cat "$tmp/err")"
    grep -q "^zapcapture: wrote 1 still; frames 0..9 at 10 per second" "$tmp/out" || fail "$(head -n 1 "$tmp/out")"
    diff -r "$tmp/png1" "$tmp/png2" >&2 || fail "two runs give different stills"
    ;;
  warning)
    "$cap" --fps 10 --to 8 --warning --raw "$tmp/w" --wav "$tmp/w.wav" > "$tmp/sum_w" || fail "the capture with the card failed"
    "$cap" --fps 10 --to 2 --raw "$tmp/n" --wav "$tmp/n.wav" > /dev/null || fail "the capture without the card failed"
    grep -qx "warning card      frames 0..59, 0:06.000" "$tmp/sum_w" || fail "summary: $(cat "$tmp/sum_w")"
    grep -q "^scene  1  title          first at 0:06.000 (frame 60)$" "$tmp/sum_w" || fail "summary: $(cat "$tmp/sum_w")"
    for k in 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19; do
      w=$(printf '%05d' $((k + 60))) n=$(printf '%05d' $k)
      cmp -s "$tmp/w/$w.frame" "$tmp/n/$n.frame" && cmp -s "$tmp/w/$w.pal" "$tmp/n/$n.pal" ||
        fail "frame $w with the card is not frame $n without it"
    done
    # The card: the same palette throughout, not the show's, and a countdown
    # that makes its frames differ from each other.
    for k in 00001 00030 00059; do
      cmp -s "$tmp/w/00000.pal" "$tmp/w/$k.pal" || fail "the card's palette changes at frame $k"
    done
    cmp -s "$tmp/w/00000.pal" "$tmp/n/00000.pal" && fail "the card has the show's palette"
    cmp -s "$tmp/w/00000.frame" "$tmp/w/00059.frame" && fail "the card's countdown does not move"
    cmp -s "$tmp/w/00000.frame" "$tmp/n/00000.frame" && fail "the card's frame is the show's"
    # 44 bytes of header, then 6 s of 16-bit mono silence, then the show's sound.
    cmp -s -n $((6 * 44100 * 2)) -i 44:0 "$tmp/w.wav" /dev/zero || fail "the card is not silent"
    cmp -s -i $((44 + 6 * 44100 * 2)):44 "$tmp/w.wav" "$tmp/n.wav" || fail "the sound after the card is not the show's"
    ;;
  errors)
    expect 2 "^zapcapture: nothing to do$"
    expect 2 "^zapcapture: --fps must be a whole number from 1 to 240, not '0'$" --fps 0 --wav "$tmp/a.wav"
    expect 2 "^zapcapture: unknown option '--speed'$" --speed 2 --wav "$tmp/a.wav"
    expect 2 "^zapcapture: nothing to write" --to 3
    expect 2 "^zapcapture: --to must be later than --from$" --from 5 --to 4 --wav "$tmp/a.wav"
    expect 2 "^zapcapture: --script needs --raw DIR" --script "$tmp/s"
    expect 2 "^zapcapture: --script takes only" --script "$tmp/s" --raw "$tmp/r" --fps 30
    expect 2 "^zapcapture: --script takes only" --script "$tmp/s" --raw "$tmp/r" --warning
    expect 2 "^zapcapture: --flashes takes only" --flashes --warning
    expect 2 "^zapcapture: unknown option '--warning=1'$" --warning=1 --wav "$tmp/a.wav"
    expect 2 "^zapcapture: the video must be named" "$tmp/a.avi"
    expect 2 "^zapcapture: --seconds goes with --flashes$" --seconds "$tmp/t" --wav "$tmp/a.wav"
    expect 2 "^zapcapture: --flashes takes only" --flashes --wav "$tmp/a.wav"
    expect 2 "^zapcapture: --flashes and --script are two modes" --flashes --script "$tmp/s"
    # A span of the check: its frames at the rate asked for, the title passing.
    "$cap" --flashes --fps 30 --from 1 --to 3 > "$tmp/out" || fail "the check of 2 s of the title failed"
    grep -q "^zapcapture: flash check of the default show, frames 30..89 at 30 a second (0:02.000)" "$tmp/out" ||
      fail "$(head -n 1 "$tmp/out")"
    expect 1 "^zapcapture: no data directory \(no data/da_plim.mod in $tmp/none\)" --data "$tmp/none" --wav "$tmp/a.wav"
    expect 1 "^zapcapture: $tmp/s: No such file or directory$" --script "$tmp/s" --raw "$tmp/r"
    # A data file missing or cut short is named in the tool's own words.
    mkdir -p "$tmp/d" && cp -r data "$tmp/d/" && rm "$tmp/d/data/swing1.cgm"
    expect 1 "^zapcapture: $tmp/d/data/swing1.cgm: cannot open: No such file or directory$" --data "$tmp/d" --to 1 \
      --wav "$tmp/a.wav"
    head -c 100 data/afrogirl.txt > "$tmp/d/data/swing1.cgm"
    expect 1 "^zapcapture: $tmp/d/data/swing1.cgm: not a picture \(no BEGMF\)$" --data "$tmp/d" --to 1 --wav "$tmp/a.wav"
    # A drawing's fault is told under zapcapture's own name.
    cp data/swing1.cgm "$tmp/d/data/" && printf '2 0 0 8 8\n-5\n' > "$tmp/d/data/grooveking.txt"
    expect 1 "^zapcapture: $tmp/d/data/grooveking.txt: stroke 1: bad point count -5$" --data "$tmp/d" --to 1 \
      --wav "$tmp/a.wav"
    printf '# moments\nframe 100 2000\n\nframe 1 2 3\n' > "$tmp/s"
    expect 1 "^zapcapture: $tmp/s:4: expected 'frame POS TID'" --script "$tmp/s" --raw "$tmp/r"
    printf 'frame 99999999999 0\n' > "$tmp/s"
    expect 1 "^zapcapture: $tmp/s:1: expected" --script "$tmp/s" --raw "$tmp/r"
    expect 1 "^zapcapture: /dev/full: write error: No space left on device$" --to 1 --wav /dev/full
    expect 1 "^zapcapture: $tmp/a.wav/x: cannot make the directory: No such file" --to 1 --frames "$tmp/a.wav/x"
    "$cap" --help > "$tmp/help" || fail "--help failed"
    grep -q "^usage: zapcapture" "$tmp/help" || fail "--help shows no usage"
    "$cap" --help > /dev/full 2>/dev/null && fail "--help into a full disk succeeded"
    ;;
  video)
    command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null ||
      zap_skip "capture_cli_$case" "no ffmpeg and ffprobe on the PATH"
    mkdir "$tmp/t"
    TMPDIR=$tmp/t "$cap" "$tmp/short.mp4" --to 2 --fps 30 --scale 2 >/dev/null || fail "the video failed"
    [ -z "$(ls -A "$tmp/t")" ] || fail "temporary files left: $(ls -A "$tmp/t")"
    info=$(ffprobe -v error -show_entries stream=codec_type,codec_name,width,height -show_entries format=duration \
      -of compact "$tmp/short.mp4") || fail "ffprobe cannot read it"
    grep -q "codec_name=h264|codec_type=video|width=640|height=480" <<<"$info" || fail "no 640x480 H.264 stream: $info"
    grep -q "codec_name=aac|codec_type=audio" <<<"$info" || fail "no AAC stream: $info"
    duration=$(sed -n 's/^format|duration=//p' <<<"$info")
    awk -v d="$duration" 'BEGIN { exit !(d > 1.9 && d < 2.2) }' || fail "duration $duration, wanted about 2 s"
    # Without ffmpeg on the PATH the tool says what it needs, before any work.
    err=$(PATH=/nonexistent "$cap" "$tmp/none.mp4" --to 1 2>&1 >/dev/null)
    [ $? = 1 ] || fail "without ffmpeg: not exit status 1"
    [[ "$err" == "zapcapture: $tmp/none.mp4: ffmpeg is needed"* ]] || fail "without ffmpeg: $err"
    [ ! -e "$tmp/none.mp4" ] || fail "without ffmpeg a file was left"
    ;;
  flashes)
    "$cap" --flashes --gentle "${span[@]}" --seconds "$tmp/seconds" > "$tmp/report"
    status=$?
    [ $status = 0 ] || { cat "$tmp/report" >&2; fail "the gentle show flashes: exit status $status (report above)"; }
    grep -Eq "^seconds that fail: 0 of [0-9]+ \(general 0, red 0\)$" "$tmp/report" || fail "$(tail -n 1 "$tmp/report")"
    # Every second measured is in the table, none above the limit.
    want=200
    [ ${#span[@]} = 0 ] || want=40
    awk -v want=$want '!/^#/ { n++; if ($3 > 6 || $4 > 6) bad = bad " " $1 }
      END { if (n < want || bad != "") { print n, bad; exit 1 } }' "$tmp/seconds" >&2 ||
      fail "the table of seconds disagrees"
    ;;
  flashes_default)
    golden=$root/tests/data/capture/flashes.txt
    "$cap" --flashes "${span[@]}" > "$tmp/report"
    status=$?
    [ $status = 1 ] || fail "the default show's check: exit status $status, wanted 1 (seconds fail)"
    if [ ${#span[@]} != 0 ]; then
      bounce() { sed -n '/^scene  7 /,+2p' "$1"; }
      [ "$(bounce "$tmp/report" | wc -l)" = 3 ] || fail "no report of the bounce: $(cat "$tmp/report")"
      diff <(bounce "$golden") <(bounce "$tmp/report") >&2 || fail "the bounce flashes otherwise than $golden records"
      exit 0
    fi
    if [ "${ZAP_UPDATE_GOLDENS:-0}" != 0 ]; then
      mkdir -p "$(dirname "$golden")" && cp "$tmp/report" "$golden" && echo "wrote $golden"
      exit 0
    fi
    diff "$golden" "$tmp/report" >&2 ||
      fail "the default show flashes otherwise than $golden records (after a deliberate change: scripts/record-goldens)"
    # The README gives the count, the page on the tools quotes the check's line.
    summary=$(tail -n 1 "$tmp/report")
    grep -qF "$summary" docs/tools.md || fail "docs/tools.md does not quote the check's count: '$summary'"
    read -r failing measured < <(sed -n 's/^seconds that fail: \([0-9]*\) of \([0-9]*\) .*/\1 \2/p' <<<"$summary")
    grep -Eq "\b$failing of (its )?$measured seconds\b" README.md ||
      fail "README.md does not say the seconds that fail: '$failing of its $measured seconds'"
    ;;
  gentle)
    "$cap" --fps 10 --every 10 --raw "$tmp/d" --wav "$tmp/d.wav" > "$tmp/d.summary" || fail "the default show failed"
    "$cap" --gentle --fps 10 --every 10 --raw "$tmp/g" --wav "$tmp/g.wav" > "$tmp/g.summary" ||
      fail "the gentle show failed"
    diff "$tmp/d.summary" "$tmp/g.summary" >&2 || fail "the scenes change elsewhere in the gentle show"
    cmp "$tmp/d.wav" "$tmp/g.wav" >&2 || fail "the gentle show sounds different"
    # The frames of scenes 5 and 7 ("first at ... (frame K)") up to the next scene's.
    first() { sed -n "s/^scene *$1 .*(frame \([0-9]*\))$/\1/p" "$tmp/d.summary"; }
    s5=$(first 5) s6=$(first 6) s7=$(first 7) s8=$(first 8)
    [ -n "$s5" ] && [ -n "$s8" ] || fail "no scene windows in $(cat "$tmp/d.summary")"
    changed=0
    for f in "$tmp/d"/*.frame; do
      n=$(basename "$f" .frame)
      k=$((10#$n))
      cmp -s "$tmp/d/$n.pal" "$tmp/g/$n.pal" || fail "frame $n: another palette in the gentle show"
      if { [ $k -ge "$s5" ] && [ $k -lt "$s6" ]; } || { [ $k -ge "$s7" ] && [ $k -lt "$s8" ]; }; then
        cmp -s "$f" "$tmp/g/$n.frame" || changed=$((changed + 1))
      else
        cmp -s "$f" "$tmp/g/$n.frame" || fail "frame $n (outside scenes 5 and 7) differs in the gentle show"
      fi
    done
    [ $changed -gt 20 ] || fail "only $changed frames of scenes 5 and 7 differ in the gentle show"
    ;;
  outputs)
    # The stand-in encodes by swallowing the frames; its mux writes half a
    # file and fails, or (MUX_INTERRUPT) has zapcapture interrupted meanwhile.
    mkdir "$tmp/bin" "$tmp/t" "$tmp/out"
    cat > "$tmp/bin/ffmpeg" <<'EOS'
#!/bin/sh
for last; do :; done
case " $* " in *" rawvideo "*) cat >/dev/null; echo video > "$last"; exit 0 ;; esac
echo half > "$last"
if [ -n "${MUX_INTERRUPT:-}" ]; then kill -INT "$PPID"; sleep 10; fi
exit 1
EOS
    chmod +x "$tmp/bin/ffmpeg"
    only_older() {
      [ "$(cat "$tmp/out/old.$1")" = older ] || fail "$2: the older $1 was replaced or removed"
      [ "$(ls -A "$tmp/out")" = "old.$1" ] || fail "$2: left behind: $(ls -A "$tmp/out" | tr '\n' ' ')"
      [ -z "$(ls -A "$tmp/t")" ] || fail "$2: temporary files left: $(ls -A "$tmp/t")"
    }
    echo older > "$tmp/out/old.mp4"
    PATH="$tmp/bin:$PATH" TMPDIR="$tmp/t" "$cap" "$tmp/out/old.mp4" --to 1 --fps 5 >/dev/null 2>"$tmp/err"
    [ $? = 1 ] || fail "a failed mux: not exit status 1: $(cat "$tmp/err")"
    grep -q "^zapcapture: $tmp/out/old.mp4: ffmpeg (sound and muxing) failed" "$tmp/err" || fail "$(cat "$tmp/err")"
    only_older mp4 "a failed mux"
    MUX_INTERRUPT=1 PATH="$tmp/bin:$PATH" TMPDIR="$tmp/t" "$cap" "$tmp/out/old.mp4" --to 1 --fps 5 >/dev/null 2>&1
    [ $? = 130 ] || fail "an interrupted mux: not exit status 130"
    only_older mp4 "an interrupted mux"
    rm "$tmp/out/old.mp4"
    # The demo stops before 300 s: nothing to write, and no WAV (header only) in place of the older one.
    echo older > "$tmp/out/old.wav"
    expect 1 "^zapcapture: no frame to write" --wav "$tmp/out/old.wav" --from 300 --fps 1
    only_older wav "nothing to write"
    # Directories asked for are not left behind by a run that fails.
    expect 1 "^zapcapture: no data directory" --frames "$tmp/out/f" --raw "$tmp/out/r" --data "$tmp/none" --to 1
    expect 1 "^zapcapture: no frame to write" --frames "$tmp/out/f" --raw "$tmp/out/r" --from 300 --fps 1
    only_older wav "failed runs with --frames and --raw"
    ;;
  *)
    fail "unknown case"
    ;;
esac
exit 0
