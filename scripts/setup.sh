#!/usr/bin/env bash
# Installs everything the build and the tests need, as root on Debian 12. Idempotent: what
# is already there is kept, so a second run takes a few seconds.
#   - Debian packages: the MinGW-w64 cross compilers (i686 and x86_64), Wine (32- and
#     64-bit), Xvfb, ImageMagick, GoogleTest sources, xdelta3 (benchmarks), and Mesa's
#     software OpenGL for both Wines (brisklens-gl; Wine only recommends it)
#   - liblzma for both Windows targets, built from Debian's xz-utils source package into
#     $NOGBA_DEPS/liblzma-<arch> (default /opt/nogba-deps)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEPS=${NOGBA_DEPS:-/opt/nogba-deps}
PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev g++-mingw-w64-x86-64-posix
          mingw-w64-x86-64-dev cmake make wine wine32:i386 wine64
          xvfb xauth imagemagick googletest xdelta3 dpkg-dev xz-utils
          fonts-wqy-microhei
          libgl1 libglx-mesa0 libgl1-mesa-dri libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
      echo "$p"
  done
}

install_packages() {
  local missing
  missing=$(missing_packages)
  [ -z "$missing" ] && return 0
  echo "setup: installing $(echo $missing)"
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
}

enable_source_packages() {
  local list=/etc/apt/sources.list.d/nogba-deb-src.sources
  [ -f "$list" ] && return 0
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    as_root tee "$list" >/dev/null
  as_root apt-get update -qq
}

fetch_xz_sources() {  # WORK_DIR -> prints the unpacked source folder
  enable_source_packages >&2
  (cd "$1" && chmod 777 . && apt-get source --download-only -qq xz-utils >/dev/null)
  tar -xf "$1"/xz-utils_*.orig.tar.* -C "$1"
  find "$1" -maxdepth 1 -type d -name 'xz-*' | head -n 1
}

build_liblzma() {  # ARCH SOURCE_DIR WORK_DIR
  local arch=$1 src=$2 work=$3 prefix="$DEPS/liblzma-$1"
  echo "setup: building liblzma for $arch-w64-mingw32"
  cmake -S "$src" -B "$work/build-$arch" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF >/dev/null
  cmake --build "$work/build-$arch" --target liblzma -j"$(nproc)" >"$work/build-$arch.log" 2>&1 ||
    { cat "$work/build-$arch.log"; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$work/build-$arch/liblzma.a" "$prefix/lib/"
  cp -r "$src/src/liblzma/api/lzma.h" "$src/src/liblzma/api/lzma" "$prefix/include/"
}

build_liblzmas() {
  local arch missing=()
  for arch in i686 x86_64; do
    [ -f "$DEPS/liblzma-$arch/lib/liblzma.a" ] || missing+=("$arch")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  local work src
  work=$(mktemp -d)
  src=$(fetch_xz_sources "$work")
  for arch in "${missing[@]}"; do build_liblzma "$arch" "$src" "$work"; done
  rm -rf "$work"
}

install_packages
build_liblzmas
