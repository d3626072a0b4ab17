# Sourced by the scripts that install Debian packages (scripts/setup.sh, bench/*/setup.sh).
# The package archive is sometimes damaged for hours: one index does not match its release
# file, `apt-get update` exits 100, and every other list is current. So an update that
# fails is retried, then reported and passed over; it is the install that decides, and a
# package that really cannot be had stops the script with its name.

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The indexes the last apt_update could not fetch (one line each), empty when all came.
APT_FAILED_INDEXES=""
APT_UPDATED=""

# Runs `apt-get update` once per script run, up to APT_UPDATE_TRIES times (default 3) while
# it fails; then goes on with the lists apt has and says which indexes failed.
apt_update() {
  [ -n "$APT_UPDATED" ] && return 0
  APT_UPDATED=1
  local try tries=${APT_UPDATE_TRIES:-3} log
  log=$(mktemp)
  for ((try = 1; try <= tries; try++)); do
    if as_root apt-get update -q -o DPkg::Lock::Timeout=300 >"$log" 2>&1; then
      APT_FAILED_INDEXES=""
      rm -f "$log"
      return 0
    fi
    APT_FAILED_INDEXES=$(apt_update_errors "$log")
    [ "$try" -lt "$tries" ] && sleep "${APT_RETRY_SECONDS:-5}"
  done
  rm -f "$log"
  echo "setup: apt-get update failed (tried $tries times); going on with the package lists apt has." \
       "Failed: $(apt_joined "$APT_FAILED_INDEXES")"
}

# apt's errors of a failed update, one line each: the address of an index it could not
# fetch, or its own words for any other fault.
apt_update_errors() {  # LOG
  sed -n -e '/^E: Some index files failed to download/d' \
         -e 's/^E: Failed to fetch \([^ ]*\).*/\1/p' -e 's/^E: //p' "$1"
}

# Prints those of the named packages that are not installed.
apt_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
      echo "$p"
  done
}

apt_joined() { printf '%s' "$1" | paste -s -d ';' - | sed 's/;/; /g'; }

# Installs the named packages that are missing. Sets APT_INSTALL_ERROR (apt's own reason,
# one line) and returns 1 when they cannot all be installed.
APT_INSTALL_ERROR=""
apt_try_install() {
  local missing log
  missing=$(apt_missing "$@")
  [ -n "$missing" ] || return 0
  apt_update
  echo "setup: installing $(echo $missing)"
  log=$(mktemp)
  if as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=300 $missing >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  APT_INSTALL_ERROR=$(apt_reason "$log" $missing)
  rm -f "$log"
  return 1
}

# Installs the named packages, or stops the script naming those that cannot be had.
apt_install() {
  apt_try_install "$@" && return 0
  echo "setup: cannot install the packages the build needs: $APT_INSTALL_ERROR" >&2
  [ -n "$APT_FAILED_INDEXES" ] &&
    echo "setup: (apt-get update had failed: $(apt_joined "$APT_FAILED_INDEXES"))" >&2
  exit 1
}

# One line on why an install failed: the packages apt cannot take, each checked alone, and
# apt's last error.
apt_reason() {  # LOG PACKAGES...
  local log=$1 p bad=()
  shift
  for p in "$@"; do
    as_root apt-get install -s -q "$p" >/dev/null 2>&1 || bad+=("$p")
  done
  local error
  error=$(grep '^E: ' "$log" | tail -n 1)
  [ -n "$error" ] || error=$(tail -n 1 "$log")
  if [ ${#bad[@]} -gt 0 ]; then
    echo "${bad[*]} cannot be installed (${error#E: })"
  else
    echo "${error#E: }"
  fi
}
