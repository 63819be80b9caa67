#!/bin/sh
# The soak benchmark: builds the release configuration and runs hours of 48 kHz program
# material with random automation and program changes through the built plug-in. Fails when
# an output sample is NaN or infinite or when resident memory grows.
#
# Usage: scripts/soak.sh [HOURS] [TIME_BOX_SECONDS] [--dense]
#   HOURS of audio (default 10, about a minute of CPU); TIME_BOX_SECONDS stops it early
#   (default: none). CI runs the ten hours with a three-minute box: scripts/soak.sh 10 180.
#   --dense changes parameters at every block, so the parameter glide never rests.
set -eu
cd "$(dirname "$0")/.."
hours="${1:-10}"
box="${2:-0}"
[ "$#" -gt 2 ] && shift 2 || set --
cmake --preset release >/dev/null
cmake --build --preset release --target tarvo_soak
exec build/release/bench/tarvo_soak --hours "$hours" --time-box "$box" "$@" build/release/Tarvo.so
