#!/usr/bin/env bash
# Installs what the launcher builds against. Idempotent: a second run only checks.
#  - Debian packages (apt)
#  - SDL 3.2, static, from Debian trixie's source package, into .deps/sdl3
#  - Dear ImGui 1.92.x sources from Debian sid's source package, into .deps/imgui
#  - the Exo 2 typeface and its licence from npm, into .deps/fonts
#  - with --windows: mingw-w64 and wine, and SDL 3.2, libsodium and GoogleTest cross-built for
#    Windows x64 into .deps/win64
set -euo pipefail
windows=0
for arg in "$@"; do
  case $arg in
    --windows) windows=1 ;;
    *) echo "usage: setup-deps.sh [--windows]" >&2; exit 2 ;;
  esac
done
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"

IMGUI_PIN="1.92.2b"
EXO2_PIN="0.4.2"

say() { printf 'setup-deps: %s\n' "$*"; }
sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# --- Debian packages -------------------------------------------------------
packages=(build-essential cmake ninja-build pkg-config dpkg-dev
  libx11-dev libxext-dev libxrandr-dev libxcursor-dev libxi-dev libxfixes-dev
  libxss-dev libxtst-dev libxkbcommon-dev libgl-dev libegl-dev libdbus-1-dev
  libcurl4-openssl-dev python3 xvfb xauth x11-utils libgl1-mesa-dri libegl-mesa0
  fonts-dejavu-core libgtest-dev libgmock-dev googletest libbenchmark-dev
  xorriso procps clang-format clang-tidy libsodium-dev minisign ccache
  libwayland-dev libwayland-bin wayland-protocols libdecor-0-dev libdecor-0-plugin-1-cairo weston
  stress-ng)
# npm usually comes with the machine's Node.js; Debian's own npm only when none is there.
command -v npm >/dev/null 2>&1 || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  sudo_ apt-get update -qq
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A private apt configuration for source packages of newer Debian suites; the
# machine's own sources are never touched.
aptdir="$deps/apt"
apt_private() {
  mkdir -p "$aptdir/lists/partial" "$aptdir/cache/archives/partial"
  if [ ! -f "$aptdir/sources.list" ]; then
    cat >"$aptdir/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian sid main
LIST
  fi
  local opts=(-o "Dir::Etc::SourceList=$aptdir/sources.list" -o "Dir::Etc::SourceParts=-"
    -o "Dir::State::Lists=$aptdir/lists" -o "Dir::Cache=$aptdir/cache" -o "APT::Sandbox::User=root")
  if [ "$1" = update ]; then
    [ -n "$(ls "$aptdir/lists" 2>/dev/null | grep Sources || true)" ] || apt-get "${opts[@]}" update -qq
  elif [ "$1" = showsrc ]; then
    apt-cache "${opts[@]}" "$@"
  else
    apt-get "${opts[@]}" "$@"
  fi
}

# Built dependencies are kept in a per-user cache outside the clone, keyed by package version
# and target, so a fresh clone links them instead of building them again; .deps/ links to them.
cache_root="${SCF_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/scf-launcher-deps}"
mkdir -p "$cache_root" 2>/dev/null || cache_root="$deps/cache"
link_cached() {  # cache folder, link in .deps
  mkdir -p "$(dirname "$2")"
  [ "$(readlink "$2" 2>/dev/null)" = "$1" ] || { rm -rf "$2"; ln -s "$1" "$2"; }
}

# The SDL 3.2 source package offered by trixie (the first suite that has SDL 3).
sdl_version() {
  apt_private update
  apt_private showsrc libsdl3 2>/dev/null | awk '/^Version:/{print $2}' | grep -E '^3\.2\.' | sort -V | tail -n1
}

# Builds SDL from the Debian source package into a prefix: version, prefix, cmake arguments...
build_sdl() {
  local ver=$1 prefix=$2
  shift 2
  local src="$deps/src/libsdl3-$$"
  rm -rf "$src"; mkdir -p "$src"
  (cd "$src" && apt_private source -qq --download-only "libsdl3=$ver" >/dev/null)
  (cd "$src" && dpkg-source -x --no-check ./*.dsc sdl >/dev/null)
  say "building SDL $ver for $(basename "$prefix")"
  rm -rf "$prefix.part"
  cmake -S "$src/sdl" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix.part" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TESTS=OFF -DSDL_EXAMPLES=OFF -DSDL_INSTALL_TESTS=OFF \
    -DSDL_VULKAN=OFF -DSDL_AUDIO=OFF -DSDL_CAMERA=OFF -DSDL_RENDER_VULKAN=OFF -DSDL_GPU=OFF \
    "$@" >"$src/configure.log" || { cat "$src/configure.log" >&2; exit 1; }
  cmake --build "$src/build" >"$src/build.log" || { tail -n 40 "$src/build.log" >&2; exit 1; }
  cmake --install "$src/build" >/dev/null
  mv "$prefix.part" "$prefix"  # complete or absent: an interrupted build is never linked
  rm -rf "$src"
}

# --- SDL 3 -----------------------------------------------------------------
# The Linux build's recipe, part of its cache key: a change here builds SDL again.
sdl_recipe="x11-wayland"
if pkg-config --exists sdl3 2>/dev/null; then
  say "SDL 3 from the system ($(pkg-config --modversion sdl3))"
elif [ ! -f "$deps/sdl3/lib/cmake/SDL3/SDL3Config.cmake" ] ||
  [[ "$(readlink "$deps/sdl3")" != *"-linux-$sdl_recipe-"* ]]; then
  ver=$(sdl_version)
  [ -n "$ver" ] || { echo "setup-deps: no SDL 3.2 source package is offered by Debian" >&2; exit 1; }
  prefix="$cache_root/sdl3-$ver-linux-$sdl_recipe-$(uname -m)"
  # Wayland (with libdecor for decorations) and X11 are both built in, each loaded at run time
  # when its session is there: SDL picks the driver, SDL_VIDEO_DRIVER can force one.
  [ -f "$prefix/lib/cmake/SDL3/SDL3Config.cmake" ] ||
    build_sdl "$ver" "$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DSDL_X11=ON \
      -DSDL_WAYLAND=ON -DSDL_WAYLAND_LIBDECOR=ON -DSDL_WAYLAND_SHARED=ON -DSDL_KMSDRM=OFF
  link_cached "$prefix" "$deps/sdl3"
fi

# --- Dear ImGui --------------------------------------------------------------
imgui_dir="$deps/imgui"
if [ ! -f "$imgui_dir/imgui.h" ] || [ ! -f "$imgui_dir/backends/imgui_impl_sdl3.cpp" ]; then
  apt_private update
  src="$deps/src"; rm -rf "$src/imgui"; mkdir -p "$src/imgui"
  ver=$(apt_private showsrc imgui 2>/dev/null | awk '/^Version:/{print $2}' | grep -E "^${IMGUI_PIN//./\\.}" | head -n1 || true)
  if [ -z "$ver" ]; then
    ver=$(apt_private showsrc imgui 2>/dev/null | awk '/^Version:/{print $2}' | grep -E '^1\.92\.' | sort -V | tail -n1 || true)
  fi
  [ -n "$ver" ] || { echo "setup-deps: no Dear ImGui 1.92.x source package is offered by Debian" >&2; exit 1; }
  (cd "$src/imgui" && apt_private source -qq --download-only "imgui=$ver" >/dev/null)
  dsc=$(ls "$src"/imgui/*.dsc | head -n1)
  (cd "$src/imgui" && dpkg-source -x --no-check "$dsc" tree >/dev/null)
  rm -rf "$imgui_dir"; mkdir -p "$imgui_dir/backends"
  cp "$src"/imgui/tree/*.h "$src"/imgui/tree/*.cpp "$imgui_dir/"
  cp "$src"/imgui/tree/LICENSE.txt "$imgui_dir/" 2>/dev/null || true
  for f in imgui_impl_sdl3 imgui_impl_opengl3; do cp "$src/imgui/tree/backends/$f".* "$imgui_dir/backends/"; done
  cp "$src/imgui/tree/backends/imgui_impl_opengl3_loader.h" "$imgui_dir/backends/"
  echo "$ver" >"$imgui_dir/DEBIAN_VERSION"
  rm -rf "$src/imgui"
  say "Dear ImGui $ver unpacked"
fi

# --- Exo 2 -------------------------------------------------------------------
fonts="$deps/fonts"
if [ ! -f "$fonts/Exo2-Medium.ttf" ] || [ ! -f "$fonts/LICENSE_FONT" ]; then
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "@expo-google-fonts/exo-2@$EXO2_PIN" >/dev/null && tar xzf ./*.tgz)
  mkdir -p "$fonts"
  cp "$tmp/package/500Medium/Exo2_500Medium.ttf" "$fonts/Exo2-Medium.ttf"
  cp "$tmp/package/LICENSE_FONT" "$fonts/LICENSE_FONT"
  rm -rf "$tmp"
  say "Exo 2 $EXO2_PIN fetched"
fi

# --- Windows x64 (cross-built, tested under wine) ------------------------------
if [ "$windows" = 1 ]; then
  missing=()
  for p in g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 autoconf automake libtool; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    sudo_ apt-get update -qq
    sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  toolchain="$root/cmake/mingw-w64.cmake"
  win="$deps/win64"
  if [ ! -f "$win/sdl3/lib/cmake/SDL3/SDL3Config.cmake" ]; then
    ver=$(sdl_version)
    [ -n "$ver" ] || { echo "setup-deps: no SDL 3.2 source package is offered by Debian" >&2; exit 1; }
    prefix="$cache_root/sdl3-$ver-win64"
    # Debian's repack drops the precompiled shaders of the Direct3D, GPU and Vulkan renderers;
    # the launcher only draws with OpenGL.
    [ -f "$prefix/lib/cmake/SDL3/SDL3Config.cmake" ] ||
      build_sdl "$ver" "$prefix" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DSDL_RENDER_D3D=OFF -DSDL_RENDER_D3D11=OFF -DSDL_RENDER_D3D12=OFF -DSDL_RENDER_GPU=OFF
    link_cached "$prefix" "$win/sdl3"
  fi
  # libsodium: the same upstream version as the system's libsodium-dev, from Debian's source
  # package (its patches applied), static, for the release signatures' hash and Ed25519 check.
  if [ ! -f "$win/libsodium/lib/libsodium.a" ]; then
    upstream=$(dpkg-query -W -f='${Version}' libsodium-dev | sed 's/-[^-]*$//')
    apt_private update
    ver=$(apt_private showsrc libsodium 2>/dev/null | awk '/^Version:/{print $2}' |
      grep -E "^${upstream//./\\.}-" | sort -V | tail -n1 || true)
    [ -n "$ver" ] || { echo "setup-deps: no libsodium $upstream source package is offered by Debian" >&2; exit 1; }
    prefix="$cache_root/libsodium-$ver-win64"
    if [ ! -f "$prefix/lib/libsodium.a" ]; then
      src="$deps/src/libsodium-$$"
      rm -rf "$src" "$prefix.part"; mkdir -p "$src"
      (cd "$src" && apt_private source -qq --download-only "libsodium=$ver" >/dev/null)
      (cd "$src" && dpkg-source -x --no-check ./*.dsc sodium >/dev/null)
      say "building libsodium $ver for win64"
      # No stack protector: mingw-w64 would need its libssp DLL beside the programs.
      (cd "$src/sodium" && ./autogen.sh -s && ./configure --host=x86_64-w64-mingw32 \
        CC=x86_64-w64-mingw32-gcc-posix --prefix="$prefix.part" --disable-shared --enable-static \
        --disable-ssp --disable-dependency-tracking && make -j2 && make install) \
        >"$src/build.log" 2>&1 || { tail -n 40 "$src/build.log" >&2; exit 1; }
      mv "$prefix.part" "$prefix"
      rm -rf "$src"
    fi
    link_cached "$prefix" "$win/libsodium"
  fi
  if [ ! -f "$win/googletest/lib/cmake/GTest/GTestConfig.cmake" ]; then
    ver=$(dpkg-query -W -f='${Version}' googletest)
    prefix="$cache_root/googletest-$ver-win64"
    if [ ! -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
      say "building GoogleTest $ver for win64"
      src="$deps/src/googletest-$$"
      rm -rf "$src" "$prefix.part"
      cmake -S /usr/src/googletest -B "$src" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix.part" \
        -Dgtest_disable_pthreads=OFF >"$deps/googletest-configure.log" ||
        { cat "$deps/googletest-configure.log" >&2; exit 1; }
      cmake --build "$src" >/dev/null
      cmake --install "$src" >/dev/null
      mv "$prefix.part" "$prefix"
      rm -rf "$src" "$deps/googletest-configure.log"
    fi
    link_cached "$prefix" "$win/googletest"
  fi
fi
say "ready"
