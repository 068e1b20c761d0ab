#!/usr/bin/env bash
# Sets up, builds and runs every test: unit, integration and GUI (under Xvfb), then the unit
# tests again under AddressSanitizer + UndefinedBehaviorSanitizer and ThreadSanitizer, and
# finally the Windows x64 build, cross-built with mingw-w64 and tested under wine.
set -euo pipefail
cd "$(dirname "$0")"
jobs=${JOBS:-2}

./scripts/setup-deps.sh --windows

. scripts/build-common.sh

export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
xvfb() { xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$@"; }

echo "== build"
build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== unit tests"
# Each unit test has its own folders and children: two run at once (some start the launcher
# on the display).
xvfb ctest --test-dir build -L '^unit-' -j"$jobs" --output-on-failure --timeout 300 --no-tests=error
echo "== integration and GUI tests under Xvfb"
# One at a time: they share one display, its focus and the machine's time.
xvfb ctest --test-dir build -LE '^unit-' --output-on-failure --timeout 300 --no-tests=error

echo "== unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
build build-asan -DCMAKE_BUILD_TYPE=Debug -DSCF_SANITIZE=address -DSCF_BENCH=OFF
ctest --test-dir build-asan -L '^unit-' -j"$jobs" --output-on-failure --timeout 300 --no-tests=error

echo "== threaded tests (child processes, HTTP, update check and download, file facts, settings writer, disc finder) under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug -DSCF_SANITIZE=thread -DSCF_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target test_platform test_update test_app test_release test_prepare
ctest --test-dir build-tsan -L '^unit-(platform|update|app|release|prepare)$' --output-on-failure --timeout 300 --no-tests=error

echo "== Windows x64: cross-built, every unit test program and the launcher under wine"
# -O1: the tests do not need the release's full optimisation, and it halves the build.
build build-win -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O1 -DNDEBUG" -DSCF_BENCH=OFF
./scripts/wine-tests.sh build-win
