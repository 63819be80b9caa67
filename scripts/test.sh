#!/bin/sh
# Builds and runs every test: the release build, then AddressSanitizer with
# UndefinedBehaviorSanitizer, then ThreadSanitizer. Installs missing packages first.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh

# A comma-decimal locale, to prove that no text depends on the process locale.
if [ "$(id -u)" -eq 0 ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  locale-gen >/dev/null
fi
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  export TARVO_REQUIRE_LOCALE=1
fi

# The editor's window tests run in a virtual X server; without one they would be skipped.
export TARVO_REQUIRE_DISPLAY=1

presets="${TARVO_TEST_PRESETS:-release asan tsan}"
for preset in $presets; do
  echo "=== $preset ==="
  scripts/build.sh "$preset"
  case "$preset" in
    # ThreadSanitizer needs the classic address-space layout on kernels with high mmap
    # randomisation.
    tsan) runner="setarch $(uname -m) -R" ;;
    *) runner="" ;;
  esac
  xvfb-run -a -s "-screen 0 1280x1024x24" $runner ctest --preset "$preset"
done
echo "All tests passed ($presets)."
