#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts a private Wine desktop, runs a
# viewer on it (brisklens-soft, or the one named: scripts/main-job.sh brisklens-gl) in a
# folder where the stand-in emulator is installed as "no$gba.exe" (the viewer starts it),
# saves a PNG of the screen once the viewer shows the emulator's pictures and prints its
# path. Ends by itself and leaves nothing running.
set -euo pipefail
VIEWER=${1:-brisklens-soft}
case "$VIEWER" in
  brisklens-soft | brisklens-gl) ;;
  *) echo "usage: $0 [brisklens-soft|brisklens-gl]" >&2; exit 2 ;;
esac
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
STATE=$BUILD_DIR/wine-main
OUT=$BUILD_DIR/main-job

. "$ROOT/scripts/arch.sh"

"$ROOT/scripts/setup.sh"
mkdir -p "$BUILD_DIR"
"$ROOT/scripts/build.sh" >/dev/null

# The programs we ship are the i686 ones; a host that runs no 32-bit code runs the x86_64
# build of the same source instead.
choose_run_arch
if [ "$RUN_ARCH" = i686 ]; then
  echo "main job: running the i686 programs"
else
  echo "main job: running the x86_64 programs; $I686_WHY_NOT"
fi
BIN=$(arch_build_dir "$RUN_ARCH")/bin
use_one_desktop "$STATE"
# The private display has no window manager: Wine draws the window frames and captions.
"$NOGBA_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver-stable -k 2>/dev/null || true

rm -rf "$OUT"
mkdir -p "$OUT/work"
ready=$OUT/ready
windows_path() { echo "Z:${1//\//\\}"; }
"$NOGBA_WINE" "$BIN/mainjob.exe" "$(windows_path "$OUT/work")" "$(windows_path "$ready")" \
  "$VIEWER" &
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
