#!/bin/sh
# Configures and builds one configuration: scripts/build.sh PRESET (release, clang, asan, tsan).
set -eu
cd "$(dirname "$0")/.."
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
