#!/usr/bin/env bash
# Installs everything the build and the tests need, as root on Debian 12. Idempotent: what
# is already there is kept, so a second run takes a few seconds.
#   - Debian packages: the MinGW-w64 cross compilers (i686 and x86_64), 64-bit Wine, Xvfb,
#     ImageMagick, GoogleTest sources, xdelta3 (benchmarks), and Mesa's software OpenGL
#     (brisklens-gl; Wine only recommends it). A package that cannot be had stops set-up.
#   - Where the host runs 32-bit code, an optional step: 32-bit Wine and the i386 Mesa
#     libraries, for testing the i686 build. When they cannot be installed, set-up says why
#     in one line and goes on; the reason is kept for scripts/test.sh and main-job.sh.
#   - liblzma for both Windows targets, built from Debian's xz-utils source package into
#     $NOGBA_DEPS/liblzma-<arch> (default /opt/nogba-deps)
# A failing `apt-get update` (a damaged index in the archive) is retried and then passed
# over: the lists apt has are used (scripts/apt.sh).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEPS=${NOGBA_DEPS:-/opt/nogba-deps}
. "$ROOT/scripts/apt.sh"
. "$ROOT/scripts/arch.sh"

PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev g++-mingw-w64-x86-64-posix
          mingw-w64-x86-64-dev cmake make wine wine64
          xvfb xauth imagemagick googletest xdelta3 dpkg-dev xz-utils
          fonts-wqy-microhei libgl1 libglx-mesa0 libgl1-mesa-dri)
PACKAGES_32=(wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)

# The optional 32-bit step. Its outcome is kept in $(wine32_status_file): absent when the
# packages are installed, else one line on why they are not.
install_32bit_packages() {
  local status
  status=$(wine32_status_file)
  mkdir -p "$(dirname "$status")"
  if ! host_runs_32bit_code; then
    echo "this host runs no 32-bit code (Exec format error)" >"$status"
    return 0
  fi
  if [ -z "$(apt_missing "${PACKAGES_32[@]}")" ]; then
    rm -f "$status"
    return 0
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    APT_UPDATED=""  # the i386 lists are new: fetch them
  fi
  if apt_try_install "${PACKAGES_32[@]}"; then
    rm -f "$status"
    return 0
  fi
  local why="$APT_INSTALL_ERROR"
  [ -n "$APT_FAILED_INDEXES" ] && why="$why; apt-get update had failed: $(apt_joined "$APT_FAILED_INDEXES")"
  echo "the 32-bit Wine packages could not be installed: $why" >"$status"
  echo "setup: going on without 32-bit Wine (the i686 build will not be tested): $why"
}

# Downloads Debian's xz-utils source package into WORK_DIR and prints the unpacked source
# folder. The deb-src entries live in WORK_DIR only (their own source list and package
# lists), so the system's apt configuration is never changed and nothing is left behind.
fetch_xz_sources() {  # WORK_DIR
  local work=$1 apt_dir=$1/apt
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial"
  # The system's Debian entries, as source entries: deb822 (Debian 12's default) and the
  # one-line form.
  [ -f /etc/apt/sources.list.d/debian.sources ] &&
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >"$apt_dir/sources.list.d/debian-src.sources"
  [ -f /etc/apt/sources.list ] && sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list"
  touch "$apt_dir/sources.list"
  if ! grep -qs -e '^Types: deb-src' -e '^deb-src ' "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*; then
    echo "setup: the apt sources name no Debian archive to fetch xz-utils' sources from" >&2
    exit 1
  fi
  local options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
                 -o "Dir::State::Lists=$apt_dir/lists" -o "APT::Get::List-Cleanup=false")
  as_root apt-get "${options[@]}" update -q >"$work/update.log" 2>&1 ||
    echo "setup: apt-get update of the source lists failed; going on with what came:" \
         "$(grep '^E: ' "$work/update.log" | head -n 1)" >&2
  chmod 777 "$work"
  (cd "$work" && apt-get "${options[@]}" source --download-only -q xz-utils >"$work/source.log" 2>&1) || {
    echo "setup: cannot download the xz-utils source package:" \
         "$(grep '^E: ' "$work/source.log" | tail -n 1)" >&2
    exit 1
  }
  local tarball
  tarball=$(find "$work" -maxdepth 1 -type f -regex '.*/xz-utils_[^/]*\.orig\.tar\.\(xz\|gz\|bz2\)' | head -n 1)
  [ -n "$tarball" ] || { echo "setup: the xz-utils source package has no .orig tarball" >&2; exit 1; }
  tar -xf "$tarball" -C "$work"
  find "$work" -maxdepth 1 -type d -name 'xz-*' | head -n 1
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
  for arch in "${ALL_ARCHS[@]}"; do
    [ -f "$DEPS/liblzma-$arch/lib/liblzma.a" ] || missing+=("$arch")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  local work src
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  src=$(fetch_xz_sources "$work")
  for arch in "${missing[@]}"; do build_liblzma "$arch" "$src" "$work"; done
  rm -rf "$work"
  trap - EXIT
}

apt_install "${PACKAGES[@]}"
install_32bit_packages
build_liblzmas
