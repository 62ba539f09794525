#!/bin/bash
# The one command-line rule, over the demo and the tools that users run
# (src/sys/cli.h): one table, one row a command line.
#
#   cli_rule.sh ROOT ZAPCOBBLES ZAPMOD ZAPCGM ZAPCAPTURE
#
# A row is   KIND | PROGRAM ARGS... | WANT
#   help     exit 0, nothing on standard error, standard output begins with WANT
#   version  exit 0, nothing on standard error, standard output is
#            "PROGRAM (Zap Cobbles) VERSION"
#   error    exit 2, nothing on standard output, standard error is exactly
#            WANT and then "Try 'PREFIX --help'.", PREFIX being WANT up to ': '
# ARGS are read as the shell reads them ('' quotes a space). Every program runs
# in an empty directory without a display: what it says here it says before
# it opens anything. Exits 0 when every row holds, 1 after naming each that
# does not.
set -u
root=$1
declare -A bin=([zapcobbles]=$2 [zapmod]=$3 [zapcgm]=$4 [zapcapture]=$5)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
version=$(sed -n 's/^project(zapcobbles VERSION \([0-9.]*\).*/\1/Ip' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "FAIL: no version in CMakeLists.txt"; exit 1; }
failed=0
rows=0
while IFS='|' read -r kind line want; do
  kind=${kind// /}
  [ -z "$kind" ] || [ "${kind:0:1}" = "#" ] && continue
  line=$(sed "s/^[[:space:]]*//; s/[[:space:]]*$//" <<<"$line"); want=${want# }
  eval "words=($line)"
  prog=${words[0]}
  rows=$((rows + 1))
  (cd "$tmp" && env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=zap-none SDL_AUDIODRIVER=dummy \
    "${bin[$prog]}" "${words[@]:1}" >"$tmp/out" 2>"$tmp/err" </dev/null)
  rc=$?
  out=$(cat "$tmp/out")
  err=$(cat "$tmp/err")
  bad=""
  case $kind in
    help)
      [ "$rc" = 0 ] && [ -z "$err" ] && [[ "$out" == "$want"* ]] || bad="exit $rc, said: ${out%%$'\n'*}${err}"
      ;;
    version)
      [ "$rc" = 0 ] && [ -z "$err" ] && [ "$out" = "$prog (Zap Cobbles) $version" ] || bad="exit $rc, said: $out$err"
      ;;
    error)
      [ "$rc" = 2 ] && [ -z "$out" ] && [ "$err" = "$want"$'\n'"Try '${want%%: *} --help'." ] ||
        bad="exit $rc, said: $out$err"
      ;;
    *) bad="no such kind '$kind'" ;;
  esac
  if [ -n "$bad" ]; then
    echo "FAIL: $kind: $line: $bad"
    failed=$((failed + 1))
  fi
done <<'TABLE'
# --help wins wherever it stands: before, after and between bad words.
help    | zapcobbles --bogus --help                     | Usage: zapcobbles
help    | zapcobbles --help --bogus                     | Usage: zapcobbles
help    | zapcobbles --scale 0 -h                       | Usage: zapcobbles
help    | zapcobbles --data --help                      | Usage: zapcobbles
help    | zapmod --help                                 | usage: zapmod info
help    | zapmod bogus --help                           | usage: zapmod info
help    | zapmod info --help                            | usage: zapmod info
help    | zapmod info a.mod b.mod --help                | usage: zapmod info
help    | zapmod trace --ticks x --help                 | usage: zapmod trace
help    | zapmod play --bogus -h                        | usage: zapmod play
help    | zapmod render --bogus --help                  | usage: zapmod render
help    | zapmod render --help --bogus                  | usage: zapmod render
help    | zapcgm --help                                 | usage: zapcgm info
help    | zapcgm info a b c --help                      | usage: zapcgm info
help    | zapcgm dump --help                            | usage: zapcgm dump
help    | zapcgm render a.cgm b.gif --help              | usage: zapcgm render
help    | zapcgm render a.cgm b.png --zoom --help       | usage: zapcgm render
help    | zapcapture --help                             | usage: zapcapture
help    | zapcapture --bogus --help                     | usage: zapcapture
help    | zapcapture --help --bogus                     | usage: zapcapture
help    | zapcapture --fps 0 -h                         | usage: zapcapture
# --version likewise; the first of the two decides.
version | zapcobbles --version                          |
version | zapcobbles --bogus --version                  |
version | zapcobbles --version --help                   |
version | zapmod --version                              |
version | zapmod render a.mod --bogus --version         |
version | zapmod bogus --version                        |
version | zapcgm dump --version                         |
version | zapcgm render a.cgm b.gif --version           |
version | zapcapture --version                          |
version | zapcapture --version --wav a.wav              |
version | zapcapture --wav a.wav --version --help       |
help    | zapcapture --help --version                   | usage: zapcapture
help    | zapmod info --help --version                  | usage: zapmod info
# Errors: "PROGRAM[ SUB]: what is wrong", the pointer to --help, exit 2.
error   | zapcobbles --bogus                            | zapcobbles: unknown option '--bogus'
error   | zapcobbles stray                              | zapcobbles: unexpected argument 'stray'
error   | zapcobbles --scale                            | zapcobbles: missing value after --scale
error   | zapcobbles --mute=yes                         | zapcobbles: --mute takes no value
error   | zapmod                                        | zapmod: a command is needed
error   | zapmod bogus a.mod                            | zapmod: unknown command 'bogus'
error   | zapmod info                                   | zapmod info: FILE is needed
error   | zapmod trace                                  | zapmod trace: FILE is needed
error   | zapmod play                                   | zapmod play: FILE is needed
error   | zapmod render a.mod                           | zapmod render: FILE and OUT.wav are needed
error   | zapmod render a.mod b.wav --bogus             | zapmod render: unknown option '--bogus'
error   | zapcgm                                        | zapcgm: a command is needed
error   | zapcgm bogus                                  | zapcgm: unknown command 'bogus'
error   | zapcgm dump                                   | zapcgm dump: FILE is needed
error   | zapcgm render a.cgm b.gif                     | zapcgm render: b.gif: output must end in .png or .raw
error   | zapcapture                                    | zapcapture: nothing to do
error   | zapcapture --bogus                            | zapcapture: unknown option '--bogus'
error   | zapcapture --wav                              | zapcapture: missing value after --wav
# Numbers: one parser, strict everywhere: no '+', no space, no sign where
# none can be, the whole word a number.
error   | zapcobbles --scale +3                         | zapcobbles: --scale must be a whole number from 1 to 8, not '+3'
error   | zapcobbles --scale ' 3'                       | zapcobbles: --scale must be a whole number from 1 to 8, not ' 3'
error   | zapcobbles --start 3x                         | zapcobbles: --start must be a whole number from 1 to 10, not '3x'
error   | zapcobbles --av-offset=501                    | zapcobbles: --av-offset must be a whole number from -500 to 500, not '501'
error   | zapmod trace a.mod --ticks +5                 | zapmod trace: --ticks must be a whole number from 0 to 100000000, not '+5'
error   | zapmod render a.mod b.wav --seconds ' 1'      | zapmod render: --seconds must be a number above 0 and at most 3600, not ' 1'
error   | zapcgm render a.cgm b.png --scale ' 3'        | zapcgm render: --scale must be a whole number from 1 to 16, not ' 3'
error   | zapcgm render a.cgm b.png --px +1             | zapcgm render: --px must be a whole 32-bit number, not '+1'
error   | zapcapture --wav a.wav --fps +30              | zapcapture: --fps must be a whole number from 1 to 240, not '+30'
error   | zapcapture --wav a.wav --from -1              | zapcapture: --from must be a number from 0 to 3600, not '-1'
TABLE
[ "$rows" -gt 0 ] || { echo "FAIL: no rows read"; exit 1; }
[ "$failed" = 0 ] || { echo "$failed of $rows rows failed"; exit 1; }
echo "ok: $rows rows"
