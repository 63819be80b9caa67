#!/bin/sh
# The main job: builds the plug-in, shows it as a VST 2 host sees it, and renders the
# built-in demo through it. With arguments, renders those instead:
#   scripts/main-job.sh IN.wav OUT.wav --program "Vocal"
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh release
build/release/host/tarvo-info build/release/Tarvo.so
echo
if [ "$#" -gt 0 ]; then
  exec build/release/host/tarvo-render "$@"
fi
mkdir -p out
build/release/host/tarvo-render --demo out/demo.wav
