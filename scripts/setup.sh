#!/usr/bin/env bash
# Installs everything the build and the tests need, as root on Debian 12. Idempotent: what
# is already there is kept, so a second run takes a few seconds.
#   - Debian packages: the MinGW-w64 cross compiler, Wine (32-bit), Xvfb, ImageMagick,
#     GoogleTest sources, xdelta3 (benchmarks)
#   - liblzma for the Windows target, built from Debian's xz-utils source package into
#     $NOGBA_DEPS (default /opt/nogba-deps)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEPS=${NOGBA_DEPS:-/opt/nogba-deps}
PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev cmake make wine wine32:i386 wine64
          xvfb xauth imagemagick googletest xdelta3 dpkg-dev xz-utils
          fonts-wqy-microhei)

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

build_liblzma() {
  [ -f "$DEPS/liblzma/lib/liblzma.a" ] && return 0
  echo "setup: building liblzma for i686-w64-mingw32"
  enable_source_packages
  local work
  work=$(mktemp -d)
  (cd "$work" && chmod 777 . && apt-get source --download-only -qq xz-utils >/dev/null)
  tar -xf "$work"/xz-utils_*.orig.tar.* -C "$work"
  local src
  src=$(find "$work" -maxdepth 1 -type d -name 'xz-*' | head -n 1)
  cmake -S "$src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$DEPS/liblzma" \
    >/dev/null
  cmake --build "$work/build" --target liblzma -j"$(nproc)" >"$work/build.log" 2>&1 ||
    { cat "$work/build.log"; exit 1; }
  mkdir -p "$DEPS/liblzma/lib" "$DEPS/liblzma/include"
  cp "$work/build/liblzma.a" "$DEPS/liblzma/lib/"
  cp -r "$src/src/liblzma/api/lzma.h" "$src/src/liblzma/api/lzma" "$DEPS/liblzma/include/"
  rm -rf "$work"
}

install_packages
build_liblzma
