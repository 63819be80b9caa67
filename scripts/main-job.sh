#!/bin/sh
# The main job: builds the plug-in and shows it through a host that only knows the VST 2
# binary interface: identity, parameters with their display texts, and programs.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh release
build/release/host/tarvo-info build/release/Tarvo.so
