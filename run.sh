#!/usr/bin/env bash
# Sets up, builds, assembles a demo release with demo disc images under out/, and starts the
# launcher on it. Extra arguments go to the launcher.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"${JOBS:-2}"
# The release names the commit the launcher was built from.
commit=$(./build/scf-launcher --version | sed -n 's/^commit //p')
python3 -I -X utf8 tools/make_demo.py --launcher build/scf-launcher --game build/kit/scf \
  --out out --commit "$commit"
exec out/release/scf-launcher "$@"
