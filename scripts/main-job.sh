#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts a private Wine desktop, runs
# brisklens-soft on it in a folder where the stand-in emulator is installed as "no$gba.exe"
# (the viewer starts it), saves a PNG of the screen once the viewer shows the emulator's
# pictures and prints its path. Ends by itself and leaves nothing running.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
STATE=$BUILD_DIR/wine-main
OUT=$BUILD_DIR/main-job

"$ROOT/scripts/setup.sh"
mkdir -p "$BUILD_DIR"
"$ROOT/scripts/build.sh" >/dev/null

trap '"$ROOT/scripts/desktops.sh" stop "$STATE" >/dev/null' EXIT
"$ROOT/scripts/desktops.sh" start "$STATE" 1 >/dev/null
. "$STATE/desktop-0.env" 2>/dev/null
# The private display has no window manager: Wine draws the window frames and captions.
wine-stable reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true

rm -rf "$OUT"
mkdir -p "$OUT/work"
ready=$OUT/ready
windows_path() { echo "Z:${1//\//\\}"; }
wine-stable "$BUILD_DIR/bin/mainjob.exe" "$(windows_path "$OUT/work")" "$(windows_path "$ready")" &
driver=$!
for ((i = 0; i < 1200; i++)); do
  [ -f "$ready" ] && break
  kill -0 "$driver" 2>/dev/null || break
  sleep 0.1
done
if [ ! -f "$ready" ]; then
  echo "main job: the scene did not come up" >&2
  exit 1
fi
import -display "$DISPLAY" -window root "$OUT/screen.png"
rm -f "$ready"
wait "$driver"
echo "screenshot: $OUT/screen.png"
