#!/usr/bin/env bash
# The browser test: builds the web version (scripts/web) and its reference
# (zapcapture --script, from a Release build), serves build/web on a free port of 127.0.0.1, and runs
# tests/web/browser.mjs in Debian's headless Chromium through playwright-core
# (installed from npm into build/web-test). Installs what it needs; needs no
# display and no sound card.
#
#   tests/web/run.sh [--docs]    --docs also rewrites docs/web.png
#
# Screenshots and frame logs go to build/web-test/out/. The last line is
# "N passed, N failed"; the exit status is 0 only when nothing failed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
docs=()
for arg in "$@"; do
  case "$arg" in
    --docs) docs=("$root/docs/web.png") ;;
    *) echo "tests/web/run.sh: unknown option '$arg' (usage: tests/web/run.sh [--docs])" >&2; exit 2 ;;
  esac
done

"$root/scripts/deps" --browser
"$root/scripts/web"

# The reference: zapcapture replays the page's frame log, from a plain Release build.
rel="$root/build/release"
cmake -S "$root" -B "$rel" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2 \
  || { echo "tests/web/run.sh: cmake configure failed" >&2; exit 1; }
cmake --build "$rel" -j "$(nproc)" --target zapcapture >&2 \
  || { echo "tests/web/run.sh: building zapcapture failed" >&2; exit 1; }

work="$root/build/web-test"
mkdir -p "$work"
if [ ! -f "$work/node_modules/playwright-core/package.json" ]; then
  # playwright-core drives the browser the machine has; it downloads none.
  (cd "$work" && npm install --no-audit --no-fund --no-save playwright-core@1.64.1 >&2) \
    || { echo "tests/web/run.sh: npm install playwright-core failed" >&2; exit 1; }
fi
cp "$root/tests/web/browser.mjs" "$work/browser.mjs"

# A free port, then the server; it stops when the script ends.
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$root/build/web" >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" 2>/dev/null && break
  sleep 0.1
done

# zapcapture reads ./data, as the demo does: run from the project root.
cd "$root"
rm -rf "$work/out"
node "$work/browser.mjs" "http://127.0.0.1:$port/index.html" "$work/out" "$rel/tools/zapcapture" "${docs[@]}"
