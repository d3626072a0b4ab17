#!/usr/bin/env bash
# The resamplers' time per frame at the software viewer's sizes, side by side with Debian's
# pixman and libswscale doing the same scaling natively, in one run, as one table: the
# Windows benchmark (resample_bench.exe) under Wine, the native programs (pixman_bench.c,
# swscale_bench.c) on the host, with a memory copy of the output bytes as the floor of what
# a frame can cost.
#   bench/raster/resample_bench.sh [SECONDS per case, default 1]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_PER_CASE=${1:-1}
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
STATE=${BENCH_DIR:-/tmp/raster-resample-bench}
. "$ROOT/scripts/arch.sh"
"$ROOT/bench/raster/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null
choose_run_arch
BIN=$(arch_build_dir "$RUN_ARCH")/bin
mkdir -p "$STATE"
gcc -O2 -Wall -Wextra -Werror $(pkg-config --cflags pixman-1) "$ROOT/bench/raster/pixman_bench.c" \
  $(pkg-config --libs pixman-1) -o "$STATE/pixman_bench"
gcc -O2 -Wall -Wextra -Werror $(pkg-config --cflags libswscale libavutil) \
  "$ROOT/bench/raster/swscale_bench.c" $(pkg-config --libs libswscale libavutil) \
  -o "$STATE/swscale_bench"
use_one_desktop "$STATE/wine"

"$NOGBA_WINE" "$BIN/resample_bench.exe" "$SECONDS_PER_CASE" | tr -d '\r' >"$STATE/ours.tsv"
"$STATE/pixman_bench" "$SECONDS_PER_CASE" >"$STATE/pixman.tsv"
"$STATE/swscale_bench" "$SECONDS_PER_CASE" >"$STATE/swscale.tsv"

echo "build: $RUN_ARCH under Wine; pixman $(pkg-config --modversion pixman-1) and" \
  "libswscale $(pkg-config --modversion libswscale) native; ms per frame"
printf '%-62s %9s %9s\n' case median 95th
cat "$STATE/ours.tsv" "$STATE/pixman.tsv" "$STATE/swscale.tsv" | sort -s -t ' ' -k1,1 |
  awk -F '\t' '{ printf "%-62s %9.3f %9.3f\n", $1, $2, $3 }'
