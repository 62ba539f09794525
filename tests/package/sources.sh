#!/usr/bin/env bash
# scripts/package's copy of the checkout, without building a package: the
# script runs in a small git checkout of its own, with stand-ins for
# scripts/deps, dpkg-parsechangelog, dpkg-buildpackage (which lists the files
# it was given) and lintian. A tracked file deleted from the working tree is
# left out, also when it is the last in the list, and the package is still
# made; the scratch directory (TMPDIR) may hold a quote. Also checks that
# tests/package/run.sh hands paths to sh -c as arguments, never inside its
# script text.
#
#   sources.sh PROJECT_ROOT
set -u
root=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

repo="$tmp/repo"
mkdir -p "$repo/scripts" "$repo/bin" "$tmp/it's"
cp "$root/scripts/package" "$repo/scripts/package"
printf '#!/bin/sh\nexit 0\n' > "$repo/scripts/deps"
printf '#!/bin/sh\necho 1.0-1\n' > "$repo/bin/dpkg-parsechangelog"
printf '#!/bin/sh\nexit 0\n' > "$repo/bin/lintian"
cat > "$repo/bin/dpkg-buildpackage" <<'EOS'
#!/bin/sh
find . -type f | sort > "$SOURCES_LIST"
: > ../zapcobbles_1.0-1_amd64.deb
EOS
chmod +x "$repo/scripts/"* "$repo/bin/"*
echo a > "$repo/a.txt"
echo z > "$repo/zz-last.txt"
git -C "$repo" init -q && git -C "$repo" add -A &&
  git -C "$repo" -c user.name=t -c user.email=t@t commit -qm t || fail "cannot make the checkout"
rm "$repo/zz-last.txt"

out=$(PATH="$repo/bin:$PATH" TMPDIR="$tmp/it's" SOURCES_LIST="$tmp/list" "$repo/scripts/package" 2>"$tmp/err")
status=$?
[ "$status" = 0 ] || fail "scripts/package exited $status: $(cat "$tmp/err")"
[ "$out" = "$repo/dist/zapcobbles_1.0-1_amd64.deb" ] || fail "it printed '$out'"
[ -f "$repo/dist/zapcobbles_1.0-1_amd64.deb" ] || fail "no package in dist/"
grep -qx './a.txt' "$tmp/list" || fail "a tracked file is missing from the copy: $(cat "$tmp/list")"
grep -q 'zz-last' "$tmp/list" && fail "the deleted file was copied"

# A path put inside sh -c's script text breaks on a quote in it.
if grep -nE "sh -c \"[^\"]*'\\\$" "$root/tests/package/run.sh"; then
  fail "tests/package/run.sh puts a path inside sh -c's script (above)"
fi
exit 0
