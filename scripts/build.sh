#!/usr/bin/env bash
# Configures (once) and builds every target. BUILD_DIR (default ./build) and BUILD_TYPE
# (Release or Debug, default Release) choose where and what.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
BUILD_TYPE=${BUILD_TYPE:-Release}

mkdir -p "$BUILD_DIR"
cmake -S "$ROOT" -B "$BUILD_DIR" \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
  -DLZMA_ROOT="${NOGBA_DEPS:-/opt/nogba-deps}/liblzma" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run;--state;$BUILD_DIR/wine" \
  >"$BUILD_DIR/configure.log" 2>&1 || { cat "$BUILD_DIR/configure.log"; exit 1; }
cmake --build "$BUILD_DIR" -j"$(nproc)"
