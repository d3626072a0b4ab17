#!/usr/bin/env bash
# Private Wine desktops for tests and the main job: each desktop is an Xvfb display of its
# own with a Wine prefix of its own, so that nothing depends on the user's ~/.wine or
# DISPLAY and tests that use the pointer, the focus or screen pixels can run side by side.
#
#   desktops.sh start STATE_DIR COUNT [ARCH]
#       start COUNT desktops for the i686 or x86_64 build (default x86_64) and write
#       STATE_DIR/desktop-N.env; $NOGBA_WINE in it is the Wine loader for that build
#   desktops.sh stop STATE_DIR
#       end every Wine process and Xvfb started there
#
# Prefixes are kept in STATE_DIR between runs (creating one takes about 13 s); displays and
# wineservers are not.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/arch.sh"

WINESERVER=${WINESERVER:-wineserver-stable}
SCREEN=${NOGBA_SCREEN:-1920x1200x24}

desktop_env() {  # STATE_DIR N DISPLAY_NUMBER ARCH
  local wine
  wine=$(arch_wine "$4")
  cat <<ENV
export DISPLAY=:$3
export WINEPREFIX=$1/prefix-$4-$2
export WINEARCH=$(arch_wineprefix_kind "$4")
export NOGBA_ARCH=$4
export NOGBA_WINE=$wine
ENV
  # The 64-bit loader, called directly, must be told that it is the loader.
  [ "$4" = x86_64 ] && echo "export WINELOADER=$wine"
  cat <<ENV
export WINEDEBUG=-all
# No debugger on a crash: a crashing test fails at once instead of waiting in winedbg.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LC_ALL=zh_CN.UTF-8 2>/dev/null
ENV
}

# How long a desktop may take to come up: Xvfb to give its display number, wineboot to set
# up (about 13 s for a new prefix, longer on a loaded machine).
XVFB_SECONDS=${NOGBA_XVFB_SECONDS:-30}
WINEBOOT_SECONDS=${NOGBA_WINEBOOT_SECONDS:-300}

start_display() {  # STATE_DIR N -> prints display number
  local fifo="$1/displayfd-$2" log="$1/xvfb-$2.log"
  rm -f "$fifo"
  mkfifo "$fifo"
  setsid Xvfb -displayfd 3 -screen 0 "$SCREEN" -nolisten tcp -noreset \
    3>"$fifo" </dev/null >"$log" 2>&1 &
  local pid=$!
  echo "$pid" >"$1/xvfb-$2.pid"
  # Opened for reading and writing, the pipe never blocks the open, and the read below can
  # time out: an Xvfb that dies or hangs before it writes its number ends the wait.
  local number="" fd waited
  exec {fd}<>"$fifo"
  for ((waited = 0; waited < XVFB_SECONDS; waited++)); do
    read -r -t 1 number <&"$fd" && break
    kill -0 "$pid" 2>/dev/null || break
  done
  exec {fd}<&-
  rm -f "$fifo"
  if ! [[ "$number" =~ ^[0-9]+$ ]]; then
    if kill -0 "$pid" 2>/dev/null; then
      echo "desktops.sh: Xvfb gave no display number within $XVFB_SECONDS s; see $log" >&2
    else
      echo "desktops.sh: Xvfb ended without giving a display number; see $log" >&2
    fi
    return 1
  fi
  echo "$number"
}

boot_wine() {  # STATE_DIR N
  (
    . "$1/desktop-$2.env"
    mkdir -p "$WINEPREFIX"
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    local log="$1/wineboot-$2.log" rc=0
    timeout -k 10 "$WINEBOOT_SECONDS" "$NOGBA_WINE" wineboot </dev/null >"$log" 2>&1 || rc=$?
    if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
      echo "desktops.sh: wineboot did not finish within $WINEBOOT_SECONDS s; see $log" >&2
      exit 1
    fi
    exit 0
  )
}

start() {
  local state count=$2 arch=${3:-x86_64} n
  state=$(realpath -m "$1")  # Wine wants an absolute WINEPREFIX
  [ -n "$(arch_wine "$arch")" ] || { echo "desktops.sh: unknown architecture $arch" >&2; exit 2; }
  mkdir -p "$state"
  stop "$state" 2>/dev/null || true
  rm -f "$state"/desktop-*.env
  # The count is written first, so that a failed start is undone by stop.
  echo "$count" >"$state/count"
  for ((n = 0; n < count; n++)); do
    local number
    number=$(start_display "$state" "$n") || { stop "$state"; exit 1; }
    desktop_env "$state" "$n" "$number" "$arch" >"$state/desktop-$n.env"
  done
  local pids=() failed=0 pid
  for ((n = 0; n < count; n++)); do boot_wine "$state" "$n" & pids+=($!); done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  [ "$failed" -eq 0 ] || { stop "$state"; exit 1; }
  for ((n = 0; n < count; n++)); do
    (. "$state/desktop-$n.env"; echo "desktop $n ($arch): DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX")
  done
}

stop() {
  local state n
  state=$(realpath -m "$1")
  [ -f "$state/count" ] || return 0
  local count
  count=$(cat "$state/count")
  for ((n = 0; n < count; n++)); do
    [ -f "$state/desktop-$n.env" ] && (. "$state/desktop-$n.env"; "$WINESERVER" -k 2>/dev/null || true)
    if [ -f "$state/xvfb-$n.pid" ]; then
      kill "$(cat "$state/xvfb-$n.pid")" 2>/dev/null || true
      rm -f "$state/xvfb-$n.pid"
    fi
  done
  rm -f "$state/count"
}

case "${1:-}" in
  start) start "$2" "$3" "${4:-}" ;;
  stop) stop "$2" ;;
  *) echo "usage: $0 start STATE_DIR COUNT [i686|x86_64] | stop STATE_DIR" >&2; exit 2 ;;
esac
