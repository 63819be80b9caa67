#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
# Usage: scripts/deps.sh [extra-package ...]
set -eu

packages="build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libebur128-dev \
libbenchmark-dev libsndfile1-dev libcli11-dev libx11-dev libpng-dev locales \
binutils xvfb xauth xdotool x11-apps imagemagick lv2-dev liblilv-dev lilv-utils $*"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  echo "Installing:$missing"
  if [ "$(id -u)" -ne 0 ]; then
    echo "error: missing packages:$missing; run as root or install them with apt-get" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q $missing
fi
