#!/usr/bin/env bash
# What the resampling benchmark needs on the host beyond the project's set-up: a C compiler
# and Debian's pixman headers for the native comparison program. Run as root.
set -euo pipefail
if ! dpkg -s libpixman-1-dev gcc pkg-config >/dev/null 2>&1; then
  apt-get update -qq
  apt-get install -y -qq libpixman-1-dev gcc pkg-config >/dev/null
fi
