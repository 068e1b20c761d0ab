#!/usr/bin/env bash
# Installs what the launcher builds against. Idempotent: a second run only checks.
#  - Debian packages (apt)
#  - SDL 3.2, static, from Debian trixie's source package, into .deps/sdl3
#  - Dear ImGui 1.92.x sources from Debian sid's source package, into .deps/imgui
#  - the Exo 2 typeface and its licence from npm, into .deps/fonts
set -euo pipefail
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
  xorriso procps clang-format clang-tidy)
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

# --- SDL 3 -----------------------------------------------------------------
sdl_prefix="$deps/sdl3"
if pkg-config --exists sdl3 2>/dev/null; then
  say "SDL 3 from the system ($(pkg-config --modversion sdl3))"
elif [ -f "$sdl_prefix/lib/cmake/SDL3/SDL3Config.cmake" ]; then
  :
else
  apt_private update
  src="$deps/src"; rm -rf "$src/libsdl3"; mkdir -p "$src/libsdl3"
  (cd "$src/libsdl3" && apt_private source -qq --download-only -t trixie libsdl3 >/dev/null 2>&1 ||
     apt_private source -qq --download-only libsdl3/trixie >/dev/null)
  dsc=$(ls "$src"/libsdl3/*.dsc | head -n1)
  (cd "$src/libsdl3" && dpkg-source -x --no-check "$dsc" sdl >/dev/null)
  say "building SDL 3 from $(basename "$dsc")"
  cmake -S "$src/libsdl3/sdl" -B "$src/libsdl3/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$sdl_prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TESTS=OFF -DSDL_EXAMPLES=OFF -DSDL_INSTALL_TESTS=OFF \
    -DSDL_WAYLAND=OFF -DSDL_KMSDRM=OFF -DSDL_VULKAN=OFF -DSDL_AUDIO=OFF -DSDL_CAMERA=OFF \
    -DSDL_RENDER_VULKAN=OFF -DSDL_GPU=OFF >"$src/libsdl3/configure.log"
  cmake --build "$src/libsdl3/build" >"$src/libsdl3/build.log"
  cmake --install "$src/libsdl3/build" >/dev/null
  rm -rf "$src/libsdl3"
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
say "ready"
