#!/usr/bin/env bash
# What the resampling benchmark needs on the host beyond the project's set-up: a C compiler
# and Debian's pixman and libswscale headers for the native comparison programs. Run as
# root. A failing `apt-get update` is retried and passed over (scripts/apt.sh); a package
# that cannot be had stops it with its name.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/apt.sh"
apt_install libpixman-1-dev libswscale-dev gcc pkg-config
