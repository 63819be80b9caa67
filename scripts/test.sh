#!/bin/sh
# Builds and runs every test: the release build (every target with -Werror) and static
# analysis of src/ (clang-tidy, cppcheck), then AddressSanitizer with
# UndefinedBehaviorSanitizer, then ThreadSanitizer; then each libFuzzer target for a
# bounded time (TARVO_FUZZ_SECONDS, default 60) and the ten-hour soak of the release
# build. Installs missing packages first (clang and its runtime for the fuzzers).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh clang libclang-rt-14-dev llvm

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
  if [ "$preset" = release ]; then
    # clang-tidy and cppcheck over src/, on the release tree's compile database.
    echo "=== static analysis ==="
    scripts/static-analysis.sh build/release
  fi
done

# Install and uninstall with cmake, then the Debian package (dpkg -i, dpkg -r, dpkg -P).
echo "=== package ==="
timeout 600 scripts/package-test.sh

# Fuzzing under ASan + UBSan with clang; a crash fails here and its input is kept in
# tests/fuzz/corpus/<name>/ as a regression case. TARVO_FUZZ_SECONDS=0 skips it.
fuzz_seconds="${TARVO_FUZZ_SECONDS:-60}"
if [ "$fuzz_seconds" -gt 0 ]; then
  echo "=== fuzz ==="
  scripts/fuzz.sh "$fuzz_seconds"
fi

# The soak: ten hours of audio (about a minute of CPU), boxed at three minutes for slow
# machines; finite output and flat memory.
echo "=== soak ==="
scripts/soak.sh 10 180
echo "All tests passed ($presets, fuzzing ${fuzz_seconds} s per fuzzer, soak)."
