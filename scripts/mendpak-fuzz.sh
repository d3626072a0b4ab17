#!/usr/bin/env bash
# The installer's long fuzz run, by hand: COUNT seeded inputs of the run SEED through the
# installer's own code (tools/mendfuzz), split over PROCESSES Wine processes side by side:
# the shipped i686 build where the host runs 32-bit programs, else the x86_64 build.
#   scripts/mendpak-fuzz.sh [COUNT [SEED [PROCESSES]]]     (default 1000000 1 <cores>)
# Every process gets a Wine prefix and so a wineserver of its own: one server would carry
# the file calls of all of them. The prefixes are light: their own registry files, the
# drive of one shared prefix. Failing inputs are saved in $BUILD_DIR/mendpak-fuzz/failures
# as seed-S-input-I.mfz ("mendfuzz.exe --replay FILE" runs one again; copies kept in
# tests/mendpak/fuzz-replays/ are replayed by the test run). Prints the counts of every
# fault kind (a target not as it was after a write made to fail among them) and of the
# inputs in which such a write was met, the time and how busy the machine was meanwhile
# (all its users). Exits non-zero on any fault.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
COUNT=${1:-1000000}
SEED=${2:-1}
PROCESSES=${3:-$(nproc)}
. "$ROOT/scripts/arch.sh"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null
# The shipped i686 build where this host runs it, else the x86_64 build of the same source.
choose_run_arch
if [ "$RUN_ARCH" = i686 ]; then
  echo "mendpak-fuzz: the i686 driver and installer"
else
  echo "mendpak-fuzz: the x86_64 driver and installer; $I686_WHY_NOT"
fi
STATE=$BUILD_DIR/mendpak-fuzz
OUT=$STATE/failures
# The run uses copies of the driver and the installer: a build meanwhile does not change
# what the later worker processes run.
BIN=$STATE/bin
mkdir -p "$STATE" "$OUT" "$BIN"
cp "$(arch_build_dir "$RUN_ARCH")"/bin/{mendfuzz.exe,MendpakHeader.exe} "$BIN/"
rm -f "$OUT"/report-*.txt

windows_path() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }

WINE=$(arch_wine "$RUN_ARCH")
export WINEARCH=$(arch_wineprefix_kind "$RUN_ARCH") WINEDEBUG=-all
[ "$RUN_ARCH" = x86_64 ] && export WINELOADER=$WINE
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null  # the users' code page, 936
BASE=$STATE/base-prefix-$RUN_ARCH

cleanup() {
  local prefix
  for prefix in "$STATE"/prefix-*; do
    [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver-stable -k >/dev/null 2>&1 || true
  done
}
trap cleanup EXIT
# The shared prefix, made once and kept; its server is ended so that its registry is on disk.
if [ ! -f "$BASE/system.reg" ]; then
  mkdir -p "$BASE"
  WINEPREFIX=$BASE wineserver-stable -p </dev/null >/dev/null 2>&1
  WINEPREFIX=$BASE "$WINE" wineboot </dev/null >"$STATE/wineboot.log" 2>&1 || true
  WINEPREFIX=$BASE wineserver-stable -k >/dev/null 2>&1 || true
  WINEPREFIX=$BASE wineserver-stable -w >/dev/null 2>&1 || true
fi

light_prefix() {  # N -> prints the prefix
  local prefix=$STATE/prefix-$1
  rm -rf "$prefix"
  mkdir -p "$prefix/dosdevices"
  cp "$BASE"/*.reg "$BASE/.update-timestamp" "$prefix/"
  ln -s "$BASE/drive_c" "$prefix/drive_c"
  ln -s ../drive_c "$prefix/dosdevices/c:"
  ln -s / "$prefix/dosdevices/z:"
  echo "$prefix"
}

cpu_ticks() { awk '/^cpu /{busy=$2+$3+$4+$7+$8; print busy, busy+$5+$6}' /proc/stat; }

echo "mendpak-fuzz: $COUNT inputs of seed $SEED in $PROCESSES processes; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
read -r busy_before all_before < <(cpu_ticks)
start=$(date +%s.%N)
pids=()
for ((n = 0; n < PROCESSES; n++)); do
  first=$((COUNT * n / PROCESSES))
  next=$((COUNT * (n + 1) / PROCESSES))
  prefix=$(light_prefix "$n")
  WINEPREFIX=$prefix "$WINE" "$BIN/mendfuzz.exe" --seed "$SEED" --first "$first" \
    --count $((next - first)) --save "$(windows_path "$OUT")" \
    --report "$(windows_path "$OUT/report-$n.txt")" </dev/null >"$STATE/process-$n.log" 2>&1 &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
end=$(date +%s.%N)
read -r busy_after all_after < <(cpu_ticks)

reports=()
for ((n = 0; n < PROCESSES; n++)); do reports+=("$(windows_path "$OUT/report-$n.txt")"); done
WINEPREFIX=$STATE/prefix-0 "$WINE" "$BIN/mendfuzz.exe" --merge "${reports[@]}" || status=1
awk -v s="$start" -v e="$end" -v b=$((busy_after - busy_before)) -v a=$((all_after - all_before)) \
  'BEGIN { printf "%.1f s; the machine was %.0f%% busy meanwhile (all users)\n", e - s, 100 * b / a }'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg); failing inputs (if any) in $OUT"
exit "$status"
