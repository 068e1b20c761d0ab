# Sourced by test.sh and test-under-load.sh from the clone's root, with $jobs set: the compiler
# cache and the build step both use.

# A compiler cache beside the dependency cache, outside the clone: a run on a machine that has
# built before compiles only what changed, wherever the clone is (paths are taken from here).
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_DIR=${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/scf-launcher-ccache}
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-8G}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

build() {  # folder, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}
