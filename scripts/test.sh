#!/usr/bin/env bash
# The whole test run: installs what is missing, builds both architectures, and runs every
# test through ctest under Wine on private desktops: always on the x86_64 build (64-bit
# Wine), and on the i686 build too where this host runs 32-bit code. Prints which builds
# were tested and, when i686 was not, why. Exits non-zero when a test fails.
# Extra arguments go to ctest (both runs), for example: scripts/test.sh -R Standin
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
DESKTOPS=${NOGBA_DESKTOPS:-4}
. "$ROOT/scripts/arch.sh"

"$ROOT/scripts/setup.sh"
mkdir -p "$BUILD_DIR"
"$ROOT/scripts/build.sh"

STATE=""
stop_desktops() {
  [ -n "$STATE" ] || return 0
  "$ROOT/scripts/desktops.sh" stop "$STATE"
  rm -f "$STATE/shared"
  STATE=""
}
trap stop_desktops EXIT

run_suite() {  # ARCH CTEST_ARGS...
  local arch=$1 dir
  shift
  dir=$(arch_build_dir "$arch")
  STATE=$dir/wine
  echo "test: the $arch build"
  # Desktops 0..DESKTOPS-1 are handed out one test at a time; one more is shared by the
  # tests that show nothing (and by test discovery).
  "$ROOT/scripts/desktops.sh" start "$STATE" $((DESKTOPS + 1)) "$arch"
  echo "$DESKTOPS" >"$STATE/shared"
  # One "desktop" resource per private desktop: a test that shows windows holds one alone.
  {
    printf '{"version":{"major":1,"minor":0},"local":[{"desktop":['
    for ((n = 0; n < DESKTOPS; n++)); do
      [ "$n" -gt 0 ] && printf ','
      printf '{"id":"%d","slots":1}' "$n"
    done
    printf ']}]}\n'
  } >"$STATE/resources.json"
  local rc=0
  (cd "$dir" && ctest -j"$(nproc)" --resource-spec-file "$STATE/resources.json" \
    --output-on-failure --timeout 300 "$@") || rc=$?
  stop_desktops
  return "$rc"
}

failed=()
run_suite x86_64 "$@" || failed+=(x86_64)
if host_runs_i686; then
  run_suite i686 "$@" || failed+=(i686)
  summary="tested builds: x86_64 and i686"
else
  summary="tested builds: x86_64 only; i686 was built but not run: $I686_WHY_NOT"
fi
echo "$summary"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
