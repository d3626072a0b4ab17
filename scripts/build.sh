#!/usr/bin/env bash
# Configures and builds every target, for each architecture named (default: both, i686 and
# x86_64), into $BUILD_DIR/<arch>. The configure step runs at every call (quick once the
# build folder exists), so a changed BUILD_TYPE or toolchain takes effect. Warnings are
# errors in both builds, so a 32-bit compile break shows on every host. BUILD_DIR (default
# ./build) and BUILD_TYPE (Release or Debug, default Release) choose where and what.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
BUILD_TYPE=${BUILD_TYPE:-Release}
. "$ROOT/scripts/arch.sh"

archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=("${ALL_ARCHS[@]}")

for arch in "${archs[@]}"; do
  dir=$(arch_build_dir "$arch")
  mkdir -p "$dir"
  cmake -S "$ROOT" -B "$dir" \
    -DCMAKE_TOOLCHAIN_FILE="$(arch_toolchain "$arch")" \
    -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
    -DLZMA_ROOT="$(arch_lzma_root "$arch")" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run;--state;$dir/wine" \
    >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
  echo "build: $arch"
  cmake --build "$dir" -j"$(nproc)"
done
