#!/bin/bash
# What every tool does the same way (tools/common/tool.h), one table per case.
#
#   conventions.sh ROOT CASE ZAPMOD ZAPCGM ZAPCAPTURE FONTGEN PICGEN PICSHEET MODCOMPOSE
#
# help:    every subcommand's -h/--help prints its usage on standard output, exit 0
# version: --version prints "TOOL (Zap Cobbles) VERSION", exit 0
# usage:   a usage error exits 2 with "TOOL[ SUB]: reason" and then "Try 'TOOL[ SUB] --help'."
# sigint:  Ctrl-C in a long run exits 130 and leaves no partial or temporary file
#          (TOOL|seconds before Ctrl-C|arguments: an hour of sound renders in seconds)
# partial: a write that fails part-way leaves no file behind (picsheet)
# tty:     picsheet with a terminal for its standard input says where its help is
# Exits 0 when the case holds, 1 with a message when not.
set -u
root=$1
case=$2
declare -A bin=([zapmod]=$3 [zapcgm]=$4 [zapcapture]=$5 [fontgen]=$6 [picgen]=$7 [picsheet]=$8 [modcompose]=$9)
cd "$root" || exit 1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL ($case): $*" >&2; exit 1; }

# run TOOL ARGS...: sets rc, out and err.
run() {
  local tool=$1
  shift
  "${bin[$tool]}" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null && rc=0 || rc=$?
  out=$(cat "$tmp/out")
  err=$(cat "$tmp/err")
}

case $case in
  help)
    # TOOL SUBCOMMAND...: the usage line that --help must start with.
    while read -r tool words; do
      for flag in -h --help; do
        # shellcheck disable=SC2086
        run "$tool" $words $flag
        [ "$rc" = 0 ] && [ -z "$err" ] || fail "$tool $words $flag: exit $rc: $err"
        [[ "$out" == "usage: $tool $words"* ]] || fail "$tool $words $flag printed: $out"
      done
    done <<'TABLE'
zapmod
zapmod info
zapmod play
zapmod render
zapmod trace
zapcgm
zapcgm info
zapcgm dump
zapcgm render
zapcapture
fontgen
fontgen make
fontgen sheet
picgen
picgen probe
picsheet
modcompose
TABLE
    run zapcgm render --help
    grep -q -- "--skale is its old name" <<<"$out" || fail "render --help does not name --skale as the old name"
    ;;
  version)
    want=$(sed -n 's/^project(zapcobbles VERSION \([0-9.]*\).*/\1/Ip' CMakeLists.txt)
    [ -n "$want" ] || want='[0-9]+\.[0-9]+\.[0-9]+'
    for tool in "${!bin[@]}"; do
      run "$tool" --version
      [ "$rc" = 0 ] || fail "$tool --version: exit $rc"
      [[ "$out" =~ ^$tool\ \(Zap\ Cobbles\)\ $want$ ]] || fail "$tool --version printed: $out"
    done
    ;;
  usage)
    # TOOL ARGS... | the first line of the message; the second (and last)
    # points to the help of the same TOOL[ SUB].
    while IFS='|' read -r cmd want; do
      # shellcheck disable=SC2086
      run $cmd
      [ "$rc" = 2 ] || fail "$cmd: exit $rc"
      [ "$(head -n 1 <<<"$err")" = "$want" ] || fail "$cmd said: $(head -n 1 <<<"$err")"
      [ "$(sed -n '2,$p' <<<"$err")" = "Try '${want%%: *} --help'." ] || fail "$cmd: no pointer to --help: $err"
    done <<'TABLE'
zapmod trace a.mod --ticks -1|zapmod trace: --ticks must be a whole number from 0 to 100000000, not '-1'
zapmod play|zapmod play: FILE is needed
zapmod render a.mod b.wav --seconds 1e3|zapmod render: --seconds must be a number above 0 and at most 3600, not '1e3'
zapmod mix a.mod|zapmod: unknown command 'mix'
zapmod|zapmod: a command is needed
zapcgm|zapcgm: a command is needed
zapcapture|zapcapture: nothing to do
zapcgm render a.cgm b.png --zoom 1.5|zapcgm render: --zoom must be a whole 32-bit number, not '1.5'
zapcgm dump|zapcgm dump: FILE is needed
zapcapture --wav a.wav --every 0|zapcapture: --every must be a whole number from 1 on, not '0'
zapcapture --wav a.wav --from x|zapcapture: --from must be a number from 0 to 3600, not 'x'
fontgen sheet a.raw b.png --scale 9|fontgen sheet: --scale must be a whole number from 1 to 8, not '9'
fontgen make|fontgen make: OUT.raw is needed
picgen probe a.otf|picgen probe: FONT, CODEPOINT and OUT.cgm are needed
picgen|picgen: OUTDIR is needed
picsheet extra|picsheet: no arguments but --help and --version
modcompose a.score|modcompose: SCORE and OUT.mod are needed
TABLE
    ;;
  sigint)
    # A long run is stopped a moment after it starts: 130, and nothing of its
    # output, final or temporary (in the directory or in TMPDIR), is left.
    set -m  # background jobs keep SIGINT (a script's would ignore it)
    while IFS='|' read -r tool after args; do
      [[ "$args" != *.mp4* ]] || command -v ffmpeg >/dev/null || continue
      mkdir -p "$tmp/run" "$tmp/t"
      # shellcheck disable=SC2086
      (cd "$tmp/run" && TMPDIR=$tmp/t exec "${bin[$tool]}" $args) >/dev/null 2>"$tmp/err" &
      pid=$!
      sleep "$after"
      kill -INT "$pid"
      wait "$pid"
      rc=$?
      [ "$rc" = 130 ] || fail "$tool $args: exit $rc after Ctrl-C: $(cat "$tmp/err")"
      [ -z "$(ls -A "$tmp/run" "$tmp/t" | grep -v ':$')" ] || fail "$tool $args left: $(ls -A "$tmp/run" "$tmp/t")"
      rm -rf "$tmp/run"
    done <<TABLE
zapmod|0.2|render $root/data/da_plim.mod out.wav --seconds 3600 --rate 22050
zapcapture|0.3|--wav out.wav --fps 240 --data $root
zapcapture|1|out.mp4 --fps 30 --scale 1 --data $root
TABLE
    ;;
  partial)
    printf 'panel %s 4\nend\n' "$tmp/p.png" >"$tmp/script"
    (ulimit -f 1; trap '' XFSZ; exec "${bin[picsheet]}" <"$tmp/script") 2>"$tmp/err"
    rc=$?
    [ "$rc" = 1 ] || fail "picsheet past the size limit: exit $rc"
    grep -qx "picsheet: $tmp/p.png: write error: File too large" "$tmp/err" || fail "picsheet said: $(cat "$tmp/err")"
    [ -z "$(ls -A "$tmp" | grep p.png)" ] || fail "picsheet left: $(ls -A "$tmp" | grep p.png)"
    "${bin[picsheet]}" <"$tmp/script" || fail "picsheet failed without the limit"
    [ "$(head -c 8 "$tmp/p.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "not a PNG"
    ;;
  tty)
    command -v script >/dev/null || { echo "skip: no script(1) for a terminal"; exit 77; }
    timeout 10 script -qec "${bin[picsheet]}" /dev/null >"$tmp/out" 2>&1
    rc=$?
    [ "$rc" = 2 ] || fail "picsheet on a terminal: exit $rc: $(cat "$tmp/out")"
    grep -q "Try 'picsheet --help'." "$tmp/out" || fail "picsheet on a terminal said: $(cat "$tmp/out")"
    ;;
  *) fail "no such case" ;;
esac
exit 0
