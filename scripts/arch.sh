# Sourced by the scripts: the two builds and the Wine that runs each.
#   i686    the programs we ship (32-bit Windows); tested where the host runs 32-bit code
#   x86_64  the same source built for 64-bit Windows; tested on every host
# Each build has its own folder, $BUILD_DIR/<arch>, and its own liblzma.

ALL_ARCHS=(x86_64 i686)

arch_build_dir() { echo "$BUILD_DIR/$1"; }
arch_toolchain() { echo "$ROOT/cmake/mingw-$1.cmake"; }
arch_lzma_root() { echo "${NOGBA_DEPS:-/opt/nogba-deps}/liblzma-$1"; }

# The Wine loader and prefix kind of a build. Debian's wine-stable picks the 32-bit loader
# whenever wine32 is installed, so the 64-bit one is called directly.
arch_wine() {
  case "$1" in
    i686) echo wine-stable ;;
    x86_64) echo /usr/lib/wine/wine64 ;;
  esac
}
arch_wineprefix_kind() {
  case "$1" in
    i686) echo win32 ;;
    x86_64) echo win64 ;;
  esac
}

# Whether the kernel runs 32-bit x86 code at all: some hosts have IA-32 emulation off.
# Runs the smallest static i386 Linux program (96 bytes: exit(42)), written here.
host_runs_32bit_code() {
  local probe rc=0
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  timeout 10 "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 42 ]
}

# Written by scripts/setup.sh when 32-bit Wine is not installed: one line on why.
wine32_status_file() { echo "${NOGBA_DEPS:-/opt/nogba-deps}/wine32-missing.txt"; }

# Whether this host runs 32-bit Windows programs: runs the i686 build's archprobe.exe in a
# win32 prefix of its own, with a timeout. Sets I686_WHY_NOT when it does not.
I686_WHY_NOT=""
host_runs_i686() {
  local probe dir out rc status
  status=$(wine32_status_file)
  if [ -s "$status" ]; then
    I686_WHY_NOT=$(cat "$status")
    return 1
  fi
  probe="$(arch_build_dir i686)/bin/archprobe.exe"
  dir="$(arch_build_dir i686)/wine-probe"
  if [ ! -f "$probe" ]; then
    I686_WHY_NOT="the i686 build has no archprobe.exe"
    return 1
  fi
  mkdir -p "$dir"
  rc=0
  out=$(env -u DISPLAY WINEPREFIX="$dir/prefix" WINEARCH=win32 WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" \
        timeout 180 wine-stable "$probe" </dev/null 2>&1) || rc=$?
  WINEPREFIX="$dir/prefix" wineserver-stable -k >/dev/null 2>&1 || true
  if [ "$rc" -eq 0 ] && printf '%s' "$out" | grep -q '^32'; then
    return 0
  fi
  if printf '%s' "$out" | grep -q 'Exec format error'; then
    I686_WHY_NOT="this host runs no 32-bit code (Exec format error)"
  elif [ "$rc" -eq 124 ]; then
    I686_WHY_NOT="the 32-bit probe did not finish within 180 s"
  else
    I686_WHY_NOT="the 32-bit probe failed (exit $rc: $(printf '%s' "$out" | tail -n 1))"
  fi
  return 1
}

# The build that programs are run from outside the tests: the shipped i686 one where this
# host runs it, else x86_64. Sets RUN_ARCH (and I686_WHY_NOT when i686 cannot run).
choose_run_arch() {
  if host_runs_i686; then RUN_ARCH=i686; else RUN_ARCH=x86_64; fi
}

# Starts one private desktop for RUN_ARCH in STATE_DIR, stops it when the script exits, and
# takes its environment (DISPLAY, WINEPREFIX, NOGBA_WINE, ...) into the calling script.
use_one_desktop() {  # STATE_DIR
  DESKTOP_STATE=$1
  trap 'env -u LC_ALL "$ROOT/scripts/desktops.sh" stop "$DESKTOP_STATE" >/dev/null' EXIT
  "$ROOT/scripts/desktops.sh" start "$DESKTOP_STATE" 1 "$RUN_ARCH" >/dev/null
  . "$DESKTOP_STATE/desktop-0.env" 2>/dev/null
}
