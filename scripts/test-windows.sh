#!/bin/sh
# The Windows stage: builds the 64-bit and the 32-bit Tarvo.dll with MinGW-w64 and runs the
# 64-bit tests under Wine in a virtual X server (the editor's window tests need a display).
# Tools that cannot be installed skip the stage with a loud message (exit 0); a build or a
# test that fails fails the stage.
#
# The 32-bit DLL is built and its exports and imports are checked, but not run: 32-bit Wine
# needs a 32-bit-capable kernel or qemu-user as the i386 binfmt handler, and under qemu the
# creation of a Wine prefix alone takes longer than this whole stage may.
set -u
cd "$(dirname "$0")/.."
started=$(date +%s)

# Seconds since the start, for the phase lines.
elapsed() { echo "$(($(date +%s) - started)) s"; }

loud() {
  echo "########################################################################"
  echo "# $*"
  echo "########################################################################"
}

if ! scripts/deps.sh g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 \
    xvfb xauth; then
  loud "WINDOWS STAGE SKIPPED: the cross compilers or Wine could not be installed"
  exit 0
fi
if [ ! -x /usr/lib/wine/wine64 ] || ! command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
   ! command -v i686-w64-mingw32-g++-posix >/dev/null; then
  loud "WINDOWS STAGE SKIPPED: /usr/lib/wine/wine64 or a MinGW-w64 compiler is missing"
  exit 0
fi
set -e
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"

# A Wine prefix of this run only, created once here and used by every test program.
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-wine.XXXXXX")"
export WINEPREFIX
cleanup() {
  WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
echo "=== Wine prefix $WINEPREFIX ==="
cmake/wine-run.sh wineboot --init
/usr/lib/wine/wineserver -w  # the prefix is complete once its server has nothing left to do

echo "=== mingw64: build ($(elapsed)) ==="
scripts/build.sh mingw64
echo "=== mingw64: tests under Wine ($(elapsed)) ==="
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset mingw64

# Only the DLL: its test programs could not run here anyway.
echo "=== mingw32: build of Tarvo.dll ($(elapsed)) ==="
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 --target Tarvo
echo "=== mingw32: exports and imports ($(elapsed)) ==="
cmake -DPLUGIN=build/mingw32/Tarvo.dll -DOBJDUMP=i686-w64-mingw32-objdump \
  -P tests/abi/check_dll.cmake

echo "Windows stage passed in $(elapsed) (64-bit tests under Wine; 32-bit built and checked, not run)."
