#!/usr/bin/env bash
# Runs the tests of a Windows cross build (test.sh's last stage) under wine, on an X display
# (its own Xvfb when there is none), with one wine server and prefix for the whole run, and a
# local release host for the HTTP tests.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-win}
[ $# -gt 0 ] || set -- "$dir"
# Wine's desktop process keeps the display it first saw: the whole run shares one X display.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$0" "$@"
fi

export WINEPREFIX="$PWD/$dir/wineprefix" WINEDEBUG=-all LIBGL_ALWAYS_SOFTWARE=1
host_log=$(mktemp)
host_pid=""
finish() {
  [ -z "$host_pid" ] || kill "$host_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -f "$host_log"
}
trap finish EXIT

# A persistent server: without it every program waits for wine's service processes, which hold
# the output pipe ctest reads. The first start creates the prefix (10-15 s).
mkdir -p "$WINEPREFIX"
wineserver -p
timeout 120 wine cmd /c exit >/dev/null 2>&1

# One release host for the HTTP tests: a Windows program under wine cannot start Linux Python
# with its output, so the host runs here and its address is passed down.
python3 -I -B tools/release_host.py --tag v0.9.0 >"$host_log" 2>&1 &
host_pid=$!
for _ in $(seq 100); do grep -q '^PORT ' "$host_log" && break; sleep 0.1; done
port=$(sed -n 's/^PORT //p' "$host_log" | head -n1)
[ -n "$port" ] || { echo "wine-tests: the release host did not start" >&2; cat "$host_log" >&2; exit 1; }
export SCF_TEST_RELEASE_HOST="http://127.0.0.1:$port"

# Further arguments choose tests (for example -R wine_launcher_).
ctest --test-dir "$dir" --output-on-failure --timeout 600 --no-tests=error "${@:2}"
