#!/usr/bin/env bash
# The installer's apply against xdelta3's decode on the same file pairs, for a target of
# SIZE_MIB (default 64) MiB: one whose new version differs in 1 % of its bytes over RUNS
# (default 100000) runs, and one whose every byte changes (a patch that rewrites the whole
# target). Builds the data, the installer with its patch and the xdelta3 delta, then times
# both and prints their peak memory and the longest time the installer's window went
# without answering during the apply. Not part of ctest.
#   bench/mendpak/bench.sh [SIZE_MIB] [RUNS]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SIZE_MIB=${1:-64}
RUNS=${2:-100000}
WORK=${BENCH_DIR:-/tmp/mendpak-bench}
STATE=$WORK/wine
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/arch.sh"
mkdir -p "$WORK"
"$ROOT/scripts/build.sh" >/dev/null
choose_run_arch
BIN=$(arch_build_dir "$RUN_ARCH")/bin
echo "build: $RUN_ARCH"
use_one_desktop "$STATE"

cd "$WORK"
bench_pair() {  # NAME RUNS PATCHWRITER_OPTIONS...
  local name=$1 runs=$2
  shift 2
  echo "== $name"
  python3 "$ROOT/bench/mendpak/make_pair.py" old.bin new.bin "$SIZE_MIB" "$runs"
  echo "pair: $SIZE_MIB MiB, $(cmp -l old.bin new.bin | wc -l) bytes differ"
  "$NOGBA_WINE" "$BIN/patchwriter.exe" old.bin new.bin setup.exe \
    --installer "$BIN/MendpakHeader.exe" "$@" | sed 's/^/installer patch: /'
  echo "installer with patch: $(stat -c %s setup.exe) bytes"
  xdelta3 -f -e -s old.bin new.bin delta.vcdiff
  echo "xdelta3 delta: $(stat -c %s delta.vcdiff) bytes"
  for round in 1 2 3; do
    cp old.bin target.bin
    sync
    "$NOGBA_WINE" "$BIN/mendpak_bench_driver.exe" setup.exe 'target.bin' | tr -d '\r'
    cmp -s target.bin new.bin || { echo "installer: target differs from the new file"; exit 1; }
    cp old.bin target.bin
    "$NOGBA_WINE" "$BIN/mendpak_apply_bench.exe" setup.exe target.bin | tr -d '\r'
    /usr/bin/time -f "xdelta3 -d: %e s elapsed, peak resident %M KiB" \
      xdelta3 -f -d -s old.bin delta.vcdiff out.bin
    cmp -s out.bin new.bin || { echo "xdelta3: output differs"; exit 1; }
  done
}

bench_pair "1 % changed over $RUNS runs, with the unpatched bytes" "$RUNS" --old-bytes
bench_pair "every byte changed (the whole target rewritten)" 0
