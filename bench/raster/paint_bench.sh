#!/usr/bin/env bash
# Runs raster_paint_bench.exe on a private desktop and prints its tables.
#   bench/raster/paint_bench.sh [REPETITIONS]   (default 30)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
STATE=${BENCH_DIR:-/tmp/raster-paint-bench}/wine
. "$ROOT/scripts/arch.sh"
"$ROOT/scripts/build.sh" >/dev/null
choose_run_arch
BIN=$(arch_build_dir "$RUN_ARCH")/bin
echo "build: $RUN_ARCH"
use_one_desktop "$STATE"
"$NOGBA_WINE" "$BIN/raster_paint_bench.exe" "${1:-30}" | tr -d '\r'
