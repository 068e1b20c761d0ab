#!/usr/bin/env bash
# Runs test.sh's unit and integration stages, and the Windows build's self-test runs under
# wine, while stress-ng keeps every core busy: a player's machine and a CI runner are often
# busy, and a test that only holds on a quiet machine is a flaky test or hides a real fault.
# Run it after a change to processes, timing, workers or the frame loop (see README).
#   LOAD_WORKERS=N  processor hogs (default: two per core)
#   WINE=0          leave out the wine stage
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
workers=${LOAD_WORKERS:-$(($(nproc) * 2))}
wine=${WINE:-1}

if [ "$wine" = 1 ]; then ./scripts/setup-deps.sh --windows; else ./scripts/setup-deps.sh; fi

. scripts/build-common.sh

# The builds run before the load: only the tests are measured against a busy machine.
echo "== build"
build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "$wine" = 1 ]; then
  build build-win -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O1 -DNDEBUG" -DSCF_BENCH=OFF
fi

stress_pid=""
finish() { [ -z "$stress_pid" ] || kill "$stress_pid" 2>/dev/null || true; }
trap finish EXIT
stress-ng --cpu "$workers" --timeout 0 --quiet &
stress_pid=$!
sleep 5
echo "== load: $workers processor hogs on $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

export LIBGL_ALWAYS_SOFTWARE=1
xvfb() { xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$@"; }

echo "== unit tests under load"
xvfb ctest --test-dir build -L '^unit-' -j"$jobs" --output-on-failure --timeout 900 --no-tests=error
echo "== integration and GUI tests under load"
xvfb ctest --test-dir build -LE '^unit-' --output-on-failure --timeout 900 --no-tests=error
if [ "$wine" = 1 ]; then
  echo "== the Windows launcher's self-test runs under wine, under load"
  ./scripts/wine-tests.sh build-win -R '^wine_launcher_(SelftestTest|ErrorDemoTest)$'
fi
echo "== load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
