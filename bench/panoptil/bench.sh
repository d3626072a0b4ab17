#!/usr/bin/env bash
# The magnifier's refresh cost: the tick costs printed by panoptil_refresh_bench.exe, then
# the processor time of the running magnifier at 60 refreshes a second, unrotated and
# rotated. Wine does not report another process's processor times to a Windows program,
# so those are read here from /proc while the benchmark holds the magnifier running.
#   bench/panoptil/bench.sh [SECONDS]   (default 5 s of measuring per rotation)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_MEASURED=${1:-5}
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
STATE=${BENCH_DIR:-/tmp/panoptil-bench}/wine
. "$ROOT/scripts/arch.sh"
"$ROOT/scripts/build.sh" >/dev/null
choose_run_arch
BIN=$(arch_build_dir "$RUN_ARCH")/bin
echo "build: $RUN_ARCH"
use_one_desktop "$STATE"

"$NOGBA_WINE" "$BIN/panoptil_refresh_bench.exe" | tr -d '\r' | grep -v 'does not report'

ticks_per_second=$(getconf CLK_TCK)
processor_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

for rotation in unrotated rotated; do
  flag=""
  [ "$rotation" = rotated ] && flag=--rotated
  hold_ms=$(( (SECONDS_MEASURED + 3) * 1000 ))
  "$NOGBA_WINE" "$BIN/panoptil_refresh_bench.exe" --hold "$hold_ms" $flag >"$STATE/hold.log" &
  holder=$!
  for ((i = 0; i < 200; i++)); do
    grep -q 'magnifier running' "$STATE/hold.log" 2>/dev/null && break
    sleep 0.1
  done
  pid=$(pgrep -f '[\\/]panoptil\.exe' | head -n 1 || true)
  if [ -z "$pid" ]; then
    echo "running magnifier ($rotation): not found"
    wait "$holder" || true
    continue
  fi
  before=$(processor_ticks "$pid")
  sleep "$SECONDS_MEASURED"
  after=$(processor_ticks "$pid")
  awk -v t=$((after - before)) -v hz="$ticks_per_second" -v s="$SECONDS_MEASURED" -v r="$rotation" \
    'BEGIN { ms = t * 1000 / hz / s;
             printf "running magnifier, zoom 4:1 %-9s at 60/s: %6.1f ms processor time per second (%.1f %% of one core)\n", r, ms, ms / 10 }'
  wait "$holder" || true
done
