#!/usr/bin/env bash
# The demo as users get it: the Debian package and the x86-64 release archive.
#
#   tests/package/run.sh          the amd64 package and the x86-64 archive (CI runs this)
#   tests/package/run.sh --arm    the armhf package and archive, run under qemu-arm
#
# Builds the amd64 package (scripts/package, which fails on lintian errors),
# installs it with apt-get, runs the installed demo from / to its end and
# takes a still with the installed zapcapture, removes it with --purge and
# checks that none of its files is left; then builds the x86-64 release
# archive (scripts/release --no-arm --no-web --no-video), unpacks it into an
# empty directory and runs it from / to its end. Also checks the manual pages
# (mandoc), the desktop entry, the metainfo and that scripts/icons still makes
# the committed icons. Installing needs root (or sudo), as CI has.
#
# With --arm: cross-builds the armhf package (scripts/package --arm), checks
# its file list (dpkg-deb -c), unpacks it (dpkg-deb -x) and runs its
# zapcobbles --version and a short headless run under qemu-arm; then the
# same for the armhf release archive. Nothing is installed.
#
# Ends with "N passed, N failed".
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
passed=0 failed=0
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

ok() { passed=$((passed + 1)); echo "ok    $1"; }
bad() { failed=$((failed + 1)); echo "FAIL  $1${2:+: $2}"; }
# check NAME COMMAND...: passes when the command exits with 0 (its output is
# shown on failure).
check() {
  local name="$1"; shift
  if "$@" >"$tmp/out" 2>&1; then ok "$name"; else bad "$name" "exit $?"; sed 's/^/      /' "$tmp/out" | tail -n 20; fi
}
# same NAME GOT WANT: passes when a program printed what it should.
same() { if [ "$2" = "$3" ]; then ok "$1"; else bad "$1" "printed '$2', expected '$3'"; fi; }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

version="$(sed -n 's/^project(zapcobbles VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
expect="zapcobbles (Zap Cobbles) $version"

# The paths every package must hold (the demo, a tool, data, manual pages,
# desktop files, copyright).
must_hold=(/usr/games/zapcobbles /usr/bin/zapmod /usr/bin/zapcgm /usr/bin/zapcapture
  /usr/share/games/zapcobbles/data/da_plim.mod /usr/share/games/zapcobbles/data/fontti.raw
  /usr/share/games/zapcobbles/data/hipcat.cgm /usr/share/games/zapcobbles/data/afrogirl.txt
  /usr/share/man/man6/zapcobbles.6.gz /usr/share/man/man1/zapcapture.1.gz /usr/share/applications/zapcobbles.desktop
  /usr/share/icons/hicolor/256x256/apps/zapcobbles.png /usr/share/metainfo/io.github.bongosquad.zapcobbles.metainfo.xml
  /usr/share/doc/zapcobbles/copyright)
# holds_all NAME LISTFILE: every path above is in the list.
holds_all() {
  local missing="" f
  for f in "${must_hold[@]}"; do grep -qxF "$f" "$2" || missing+=" $f"; done
  if [ -z "$missing" ]; then ok "$1"; else bad "$1" "missing:$missing"; fi
}

# info_filled FILE: every "Name ..... value" line of the release's info text
# has its value (Length a m:ss time), the ten scenes are listed with their
# times, and the credits and greetings are there.
info_filled() {
  local f="$1" field
  [ -s "$f" ] || { echo "no info text $f"; return 1; }
  for field in Release Length Platform Screen Sound; do
    grep -Eq "^$field \.+ [^ ]" "$f" || { echo "the field $field is empty: $(grep "^$field " "$f")"; return 1; }
  done
  grep -Eq '^Length \.+ [0-9]+:[0-5][0-9]$' "$f" || { echo "Length is not a time: $(grep '^Length ' "$f")"; return 1; }
  [ "$(grep -Ec '^  [ 1][0-9]  [0-9]+:[0-9]{2}\.[0-9]{3}  [^ ]' "$f")" -eq 10 ] || { echo "not ten scene times"; return 1; }
  grep -A1 '^Greetings$' "$f" | grep -Eq '^  [^ ]' || { echo "no greetings"; return 1; }
  grep -Eq '^  [a-z]+: [a-z]' "$f" || { echo "no credits"; return 1; }
}

arm_checks() {
  "$root/scripts/deps" --package --arm || { bad "scripts/deps --package --arm"; finish; }
  local deb qemu=(qemu-arm -L /usr/arm-linux-gnueabihf)
  # The armhf libraries of multiarch, when they are there (scripts/deps --arm).
  [ -e /lib/ld-linux-armhf.so.3 ] && qemu=(qemu-arm)
  if deb="$("$root/scripts/package" --arm 2>"$tmp/package.log")" && [ -f "$deb" ]; then
    ok "scripts/package --arm builds $(basename "$deb") without lintian errors"
  else
    bad "scripts/package --arm"; tail -n 30 "$tmp/package.log" | sed 's/^/      /'; finish
  fi
  dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\.||' >"$tmp/files"
  holds_all "the armhf package holds the programs, data, manual pages and desktop files" "$tmp/files"
  dpkg-deb -x "$deb" "$tmp/x"
  same "the armhf package's zapcobbles --version under qemu-arm" \
    "$("${qemu[@]}" "$tmp/x/usr/games/zapcobbles" --version 2>&1)" "$expect"
  check "the armhf package's demo plays to its end under qemu-arm from / (exit 0)" \
    sh -c 'cd / && ZAP_TIME_SCALE=100 timeout 600 "$@"' sh "${qemu[@]}" "$tmp/x/usr/games/zapcobbles"
  local archive="$root/dist/zapcobbles-$version-linux-armhf.tar.gz"
  if "$root/scripts/release" --no-web --no-video >"$tmp/release.log" 2>&1 && [ -f "$archive" ]; then
    mkdir "$tmp/unpacked"
    tar -xzf "$archive" -C "$tmp/unpacked"
    check "the unpacked armhf archive plays to its end under qemu-arm from / (exit 0)" \
      sh -c 'cd / && ZAP_TIME_SCALE=100 timeout 600 "$@"' sh "${qemu[@]}" \
      "$tmp/unpacked/zapcobbles-$version-linux-armhf/bin/zapcobbles"
  else
    bad "scripts/release --no-web --no-video"; tail -n 30 "$tmp/release.log" | sed 's/^/      /'
  fi
  finish
}

case "${1:-}" in
  "") ;;
  --arm) arm_checks ;;
  *) echo "tests/package/run.sh: unknown option '$1' (usage: tests/package/run.sh [--arm])" >&2; exit 2 ;;
esac

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
"$root/scripts/deps" --package --docs || { bad "scripts/deps --package --docs"; finish; }

# ---- What the package and the archives carry, checked at the source -------
check "manual pages are clean under mandoc -Tlint" mandoc -Tlint -W warning "$root"/docs/man/*.[16]
check "desktop entry validates" desktop-file-validate "$root/desktop/zapcobbles.desktop"
check "metainfo validates" appstreamcli validate --no-net "$root"/desktop/*.metainfo.xml
check "scripts/icons makes the committed icons" "$root/scripts/icons" --check

# ---- The package ------------------------------------------------------------
deb=""
if deb="$("$root/scripts/package" 2>"$tmp/package.log")" && [ -f "$deb" ]; then
  ok "scripts/package builds $(basename "$deb") without lintian errors"
else
  bad "scripts/package"; tail -n 30 "$tmp/package.log" | sed 's/^/      /'; finish
fi

"${sudo[@]}" apt-get remove --purge -y -qq zapcobbles >/dev/null 2>&1 || true
check "apt-get install ./$(basename "$deb")" "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "$deb"
dpkg -L zapcobbles >"$tmp/files" 2>/dev/null
holds_all "the installed package holds the programs, data, manual pages and desktop files" "$tmp/files"

same "zapcobbles --version" "$(/usr/games/zapcobbles --version 2>&1)" "$expect"
check "the installed manual page names the package's places" \
  sh -c "zcat /usr/share/man/man6/zapcobbles.6.gz | grep -q '^.I /usr/games/zapcobbles\$' &&
    zcat /usr/share/man/man6/zapcobbles.6.gz | grep -q '^.I /usr/share/games/zapcobbles/data/\$' &&
    ! zcat /usr/share/man/man6/zapcobbles.6.gz /usr/share/man/man1/zapmod.1.gz | grep -q '@ZAP_'"
same "zapcapture --version" "$(/usr/bin/zapcapture --version 2>&1)" "zapcapture (Zap Cobbles) $version"
check "the installed demo plays to its end from / (exit 0)" \
  sh -c 'cd / && ZAP_TIME_SCALE=40 timeout 300 /usr/games/zapcobbles'
check "the installed zapcapture takes a still at 10 s from /" \
  sh -c 'cd / && timeout 300 /usr/bin/zapcapture --frames "$1" --at 10 && [ -s "$1/00600.png" ] \
    && head -c 8 "$1/00600.png" | od -An -tx1 | grep -q "89 50 4e 47 0d 0a 1a 0a"' sh "$tmp/shots"

check "apt-get remove --purge zapcobbles" "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get remove --purge -y -qq -o DPkg::Lock::Timeout=600 zapcobbles
left=""
while IFS= read -r f; do
  # Directories other packages share (/usr, /usr/share/man/man1, ...) stay.
  if [ -e "$f" ] && { [ ! -d "$f" ] || [[ "$f" == */zapcobbles || "$f" == */zapcobbles/* ]]; }; then left+=" $f"; fi
done <"$tmp/files"
if [ -s "$tmp/files" ] && [ -z "$left" ]; then
  ok "nothing of the package is left after the purge ($(wc -l <"$tmp/files") paths)"
else
  bad "nothing of the package is left after the purge" "left:${left:- (no file list)}"
fi

# ---- The x86-64 release archive ---------------------------------------------
archive="$root/dist/zapcobbles-$version-linux-x86_64.tar.gz"
if "$root/scripts/release" --no-arm --no-web --no-video >"$tmp/release.log" 2>&1 && [ -f "$archive" ]; then
  ok "scripts/release writes $(basename "$archive")"
  mkdir "$tmp/unpacked"
  tar -xzf "$archive" -C "$tmp/unpacked"
  top="$tmp/unpacked/zapcobbles-$version-linux-x86_64"
  same "the unpacked archive's zapcobbles --version" "$("$top/zapcobbles" --version 2>&1)" "$expect"
  check "the unpacked archive plays to its end from / with its own data (exit 0)" \
    sh -c 'cd / && ZAP_TIME_SCALE=40 timeout 300 "$1"' sh "$top/zapcobbles"
  check "the archive's manual page names the archive's places" \
    grep -q "^.I zapcobbles-$version-linux-x86_64/share/zapcobbles/data/\$" "$top/share/man/man6/zapcobbles.6"
  check "the archive holds README.txt, the licence and the credits" \
    test -s "$top/README.txt" -a -s "$top/share/doc/zapcobbles/LICENSE" -a -s "$top/share/doc/zapcobbles/CREDITS.md"
  check "the info text fills every field" info_filled "$root/dist/zapcobbles-$version-info.txt"
else
  bad "scripts/release --no-arm --no-web --no-video"; tail -n 30 "$tmp/release.log" | sed 's/^/      /'
fi

finish
