#!/usr/bin/env bash
# Cross-builds the Windows x64 launcher and demo game and assembles a Windows demo release:
#   scripts/windows-release.sh [build folder, default build-win]
# The release is <build folder>/demo/release (scf-launcher.exe, kit\game\scf.exe, the kit), the
# demo disc images <build folder>/demo/discs. Its kit\python\python.exe is the test stand-in that
# replays the demo kit's recorded answers; a release for players ships a real Python there.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-win}
./scripts/setup-deps.sh --windows
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DSCF_BENCH=OFF >/dev/null
cmake --build "$dir" -j"${JOBS:-2}" --target scf_demo_release
echo "Windows demo release: $PWD/$dir/demo/release"
echo "Under wine: WINEDEBUG=-all wine $dir/demo/release/scf-launcher.exe"
