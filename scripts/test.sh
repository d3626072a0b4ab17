#!/usr/bin/env bash
# The whole test run: installs what is missing, builds every target, starts private Wine
# desktops and runs every test through ctest under Wine. Exits non-zero when a test fails.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
DESKTOPS=${NOGBA_DESKTOPS:-4}
STATE=$BUILD_DIR/wine

"$ROOT/scripts/setup.sh"
mkdir -p "$BUILD_DIR"
"$ROOT/scripts/build.sh"

trap '"$ROOT/scripts/desktops.sh" stop "$STATE"; rm -f "$STATE/shared"' EXIT
# Desktops 0..DESKTOPS-1 are handed out one test at a time; one more is shared by the
# tests that show nothing (and by test discovery).
"$ROOT/scripts/desktops.sh" start "$STATE" $((DESKTOPS + 1))
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

cd "$BUILD_DIR"
ctest -j"$(nproc)" --resource-spec-file "$STATE/resources.json" --output-on-failure \
  --timeout 300 "$@"
