#!/usr/bin/env bash
# scripts/wine-run against a stand-in for the Wine loader: which endings get a second start
# (and never a third), and what wine-run then shows and returns.
#   wine_run_test.sh WINE_RUN
set -euo pipefail
wine_run=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# The stand-in loader. Its "program" lists what each start does, comma-separated (start n
# does the n-th, the last one again after that); every start but a silent one first writes
# "start n". ok | exit-K | silent-K: exit K without a word | segv: killed by SIGSEGV |
# sleep: runs on | stubborn: runs on and ignores SIGTERM (so the sleep does too).
# sh, not bash: bash warns about the locale below (as the real loader does not).
cat >"$dir/loader" <<'LOADER'
#!/bin/sh
ulimit -c 0  # a core dump would make timeout say so
n=$(($(cat "$STARTS" 2>/dev/null || echo 0) + 1))
echo "$n" >"$STARTS"
step=$(echo "$1" | cut -d, -f"$n")
[ -n "$step" ] || step=${1##*,}
[ "${step%%-*}" = silent ] || echo "start $n"
[ "$LC_ALL" = xx_XX.UTF-8 ] && [ -z "${PERL_BADLANG+set}" ] || echo "environment changed"
case $step in
  ok) exit 0 ;;
  exit-* | silent-*) exit "${step#*-}" ;;
  segv) kill -s SEGV $$ ;;
  sleep) exec sleep 60 ;;
  stubborn) trap '' TERM; sleep 60 ;;
esac
LOADER
# Stands in for wineserver-stable, which wine-run ends the test's private desktop with.
printf '#!/bin/sh\necho "wineserver $*"\n' >"$dir/wineserver"
chmod +x "$dir/loader" "$dir/wineserver"
mkdir "$dir/state"
# A locale that glibc lacks, as the desktops' zh_CN.UTF-8: nothing may warn about it.
cat >"$dir/state/desktop-0.env" <<ENV
export NOGBA_WINE=$dir/loader
export LC_ALL=xx_XX.UTF-8 2>/dev/null
ENV
export STARTS=$dir/starts WINESERVER=$dir/wineserver CTEST_RESOURCE_GROUP_0_DESKTOP=id:0,slots:1

failures=0
# check LIMIT PROGRAM RC STARTS LINES...: runs PROGRAM through wine-run with the time limit
# LIMIT (seconds; "" for none) and expects exit code RC, STARTS starts and exactly LINES.
check() {
  local limit=$1 program=$2 rc=$3 starts=$4 got=0 output
  shift 4
  rm -f "$STARTS"
  output=$(NOGBA_TEST_TIMEOUT=$limit "$wine_run" --state "$dir/state" "$program" 2>&1) || got=$?
  if [ "$got" != "$rc" ] || [ "$(cat "$STARTS")" != "$starts" ] ||
    [ "$output" != "$(printf '%s\n' "$@")" ]; then
    echo "FAILED: $program, limit ${limit:-none}: exit code $got after $(cat "$STARTS") starts;" \
      "expected $rc after $starts. It wrote:"
    echo "$output"
    echo "--- expected:"
    printf '%s\n' "$@"
    failures=$((failures + 1))
  fi
}
killed="wine-run: the Wine loader running"
segv="was killed by signal 11 (SIGSEGV)"
again="starting it again"
silent="ended with exit code 3 before writing anything; $again"
#     limit program       rc  starts  everything written
check 20 ok               0   1 "start 1"
check 20 segv,ok          0   2 "start 1" "$killed segv,ok $segv; $again" "start 2"
check "" segv,ok          0   2 "start 1" "$killed segv,ok $segv; $again" "start 2"
check 20 segv,segv,ok     139 2 "start 1" "$killed segv,segv,ok $segv; $again" "start 2" \
  "$killed segv,segv,ok $segv, exit code 139"
check 20 silent-3,ok      0   2 "wine-run: silent-3,ok $silent" "start 2"
check 20 silent-3,segv,ok 139 2 "wine-run: silent-3,segv,ok $silent" "start 2" \
  "$killed silent-3,segv,ok $segv, exit code 139"
# A Windows program's crash code reaches Unix as its low 8 bits: 0xC0000094 as 148.
check 20 exit-148,ok      148 1 "start 1" "wine-run: exit-148,ok ended with exit code 148"
check "" exit-139,ok      139 1 "start 1" "wine-run: exit-139,ok ended with exit code 139"
check 20 exit-1,ok        1   1 "start 1" "wine-run: exit-1,ok ended with exit code 1"
# Stopped at the time limit by SIGTERM (124), or by SIGKILL 10 s later (137).
stopped="did not end within 1 s and was stopped"
check 1 sleep,ok          124 1 "start 1" "wine-run: sleep,ok $stopped" "wineserver -k"
check 1 stubborn,ok       137 1 "start 1" "wine-run: stubborn,ok $stopped" "wineserver -k"
[ "$failures" -eq 0 ] || { echo "$failures cases failed"; exit 1; }
echo "all cases passed"
