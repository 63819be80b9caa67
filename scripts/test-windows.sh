#!/bin/sh
# The Windows stage: builds the 64-bit and the 32-bit Tarvo.dll and the Windows tools with
# MinGW-w64; runs the 64-bit tests under Wine in a virtual X server (the editor's window
# tests need a display); compares renders of the Windows tarvo-render with the Linux one;
# packs and checks the Windows zip; and runs the 32-bit binary under 32-bit Wine.
#
# Tools that cannot be installed skip the stage with a loud message (exit 0); a build or a
# test that fails fails the stage. The 32-bit step is time-boxed on its own (set-up 210 s,
# tests 150 s): when 32-bit Wine cannot be set up in its time (packages, qemu-user), a
# banner says so and the stage passes without it; once it is set up, a failing or hanging
# 32-bit test fails the stage (except that with Debian's own, very slow qemu 7.2, running
# out of time gets a banner too).
set -u
cd "$(dirname "$0")/.."
# banner, phase (its summary in $phase_summary) and elapsed.
# shellcheck source=scripts/lib.sh
. scripts/lib.sh

phase "packages"
if ! scripts/deps.sh g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 \
    xvfb xauth zip unzip; then
  banner "WINDOWS STAGE SKIPPED: the cross compilers or Wine could not be installed"
  exit 0
fi
if [ ! -x /usr/lib/wine/wine64 ] || ! command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
   ! command -v i686-w64-mingw32-g++-posix >/dev/null; then
  banner "WINDOWS STAGE SKIPPED: /usr/lib/wine/wine64 or a MinGW-w64 compiler is missing"
  exit 0
fi
set -e
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
# Wine turns the Unix arguments into UTF-16 by the locale: UTF-8, so that non-ASCII file
# names reach the Windows programs intact.
export LC_ALL=C.UTF-8

# A Wine prefix of this run only, created once here and used by every test program.
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-wine.XXXXXX")"
export WINEPREFIX
work="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-windows.XXXXXX")"
setup_pid=""
cleanup() {
  if [ -n "$setup_pid" ]; then kill "$setup_pid" 2>/dev/null || true; fi
  WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$work"
}
trap cleanup EXIT
phase "Wine prefix"
cmake/wine-run.sh wineboot --init
/usr/lib/wine/wineserver -w  # the prefix is complete once its server has nothing left to do

phase "mingw64: build"
scripts/build.sh mingw64
phase "mingw64: tests under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset mingw64

# The Linux reference: the release build of scripts/test.sh (or TARVO_LINUX_BUILD), built
# here when absent.
phase "Linux reference renderer"
linux_build="${TARVO_LINUX_BUILD:-build/release}"
if [ ! -f "$linux_build/build.ninja" ]; then cmake --preset release -B "$linux_build" >/dev/null; fi
cmake --build "$linux_build" --target tarvo-render tarvo-audio-compare
linux_render="$linux_build/host/tarvo-render"
compare="$linux_build/tests/compare/tarvo-audio-compare"

# The same file and settings through the Linux and the Windows renderers, compared sample
# by sample. The dither noise is seeded from the clock, so two renders differ slightly;
# the limits (tarvo-audio-compare's default) allow for that and no more: the same
# comparison with one parameter half a decibel off must fail. The input's name is not
# ASCII, to show that such names reach the Windows renderer intact.
input="$work/Eingang-ü-音.wav"
render_linux() {  # render_linux OUTPUT [more settings]
  out="$1"
  shift
  "$linux_render" "$input" "$work/$out" --program "Mix Down" --set "Threshold=-24" \
    --set "Release Type=Opto" "$@"
}
render_windows() {  # render_windows RUNNER EXE OUTPUT [more settings]
  runner="$1"
  exe="$2"
  out="$3"
  shift 3
  "$runner" "$exe" "Z:$input" "Z:$work/$out" --program "Mix Down" --set "Threshold=-24" \
    --set "Release Type=Opto" "$@"
}
phase "mingw64: render compared with Linux"
"$compare" signal "$input"
render_linux linux.wav
render_windows cmake/wine-run.sh build/mingw64/host/tarvo-render.exe win64.wav
"$compare" compare "$work/linux.wav" "$work/win64.wav" --label "64-bit Windows vs Linux"
# This one with plain Unix paths, which Wine maps to drive Z: (and which must not be taken
# for "/options").
cmake/wine-run.sh build/mingw64/host/tarvo-render.exe "$input" "$work/win64-off.wav" \
  --program "Mix Down" --set "Threshold=-24" --set "Release Type=Opto" --set "Threshold=-24.5"
if "$compare" compare "$work/linux.wav" "$work/win64-off.wav" \
    --label "mismatch check, Threshold -24.5 vs -24 dB"; then
  echo "error: the comparison accepted a render with another threshold; its limits are too loose"
  exit 1
fi
echo "(the mismatched render was rejected, as it must be)"
# No PNG writer in the Windows build: --snapshot says so.
if cmake/wine-run.sh build/mingw64/host/tarvo-render.exe --snapshot "Z:$work/panel.png" \
    >"$work/snapshot.log" 2>&1 || ! grep -q "snapshot is not available" "$work/snapshot.log"; then
  cat "$work/snapshot.log"
  echo "error: the Windows tarvo-render did not refuse --snapshot clearly"
  exit 1
fi

phase "mingw32: build"
# 32-bit Wine is set up in the background while the 32-bit build runs, when no Wine
# program runs (the set-up may upgrade amd64 libraries to match their new i386 twins).
qemu_file="$work/qemu-path"
setup_log="$work/wine32-setup.log"
(timeout 210 scripts/wine32-setup.sh "$qemu_file" >"$setup_log" 2>&1; echo $? >"$work/setup-rc") &
setup_pid=$!
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 --target Tarvo tarvo-render tarvo-info tarvo-host tarvo_abi_test \
  tarvo_wav_test tarvo_dsp_tests tarvo_params_test tarvo_win32_editor_test \
  tarvo_win32_editor_shell_test
phase "mingw32: exports and imports"
cmake -DPLUGIN=build/mingw32/Tarvo.dll -DOBJDUMP=i686-w64-mingw32-objdump \
  -P tests/abi/check_dll.cmake

phase "Windows zip"
zip_file="build/Tarvo-windows.zip"
scripts/windows-zip.sh "$zip_file"
unzip -l "$zip_file"
unzip -Z1 "$zip_file" | LC_ALL=C sort >"$work/zip-list"
{
  echo INSTALL.txt
  for png in docs/manual-images/*.png; do echo "manual-images/$(basename "$png")"; done
  echo manual.html
  echo x64/Tarvo.dll
  echo x86/Tarvo.dll
} | LC_ALL=C sort >"$work/zip-expected"
if ! diff -u "$work/zip-expected" "$work/zip-list"; then
  echo "error: the zip's contents differ from the expected list (- expected, + found)"
  exit 1
fi
unzip -q "$zip_file" -d "$work/zip"
# check_dll DIR TRIPLE FORMAT PRESET: machine type, no debug sections, exactly the export
# `main`, system imports only.
check_dll() {
  dll="$work/zip/$1/Tarvo.dll"
  objdump="$2-w64-mingw32-objdump"
  "$objdump" -f "$dll" | grep -q "file format $3" || { echo "error: $1/Tarvo.dll is not $3"; exit 1; }
  if "$objdump" -h "$dll" | grep -q '\.debug_'; then
    echo "error: $1/Tarvo.dll still carries debug sections"
    exit 1
  fi
  echo "$1/Tarvo.dll: $3, $(wc -c <"$dll") bytes ($(wc -c <"build/$4/Tarvo.dll") bytes as built," \
    "with debug information)"
  "$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'
  cmake -DPLUGIN="$dll" -DOBJDUMP="$objdump" -P tests/abi/check_dll.cmake
}
check_dll x86 i686 pei-i386 mingw32
check_dll x64 x86_64 pei-x86-64 mingw64
# The shipped 64-bit DLL loads and answers as built.
cmake/wine-run.sh build/mingw64/host/tarvo-info.exe "Z:$work/zip/x64/Tarvo.dll" >"$work/info64"
grep -q "^Tarvo by Velmora Audio (product Tarvo), id 'vm7q', version 1" "$work/info64"
head -n 2 "$work/info64"

# 32-bit Wine: the set-up's outcome decides whether this step runs; its tests, once they
# run, decide the stage like any other test.
phase "mingw32: rest of the 32-bit Wine set-up"
wait "$setup_pid" || true
setup_pid=""
setup_rc="$(cat "$work/setup-rc" 2>/dev/null || echo 1)"
cat "$setup_log"
if [ "$setup_rc" != 0 ]; then
  if [ "$setup_rc" = 124 ]; then reason="not done within 210 s"; else reason="exit status $setup_rc"; fi
  banner "32-BIT WINE COULD NOT BE SET UP ($reason)." \
       "The 32-bit DLL was built and its exports checked, but not run." \
       "This is a set-up failure, not a test failure; its log is above."
  phase ""
  echo "Windows stage passed in $(elapsed) s, without the 32-bit run:$phase_summary"
  exit 0
fi
TARVO_QEMU_I386="$(cat "$qemu_file")"
export TARVO_QEMU_I386
# The 32-bit system DLLs, linked into the prefix that the 64-bit wineboot made (as
# cmake/wine32-run.sh would, but before the tests start two 32-bit programs at once).
ln -sf /usr/lib/i386-linux-gnu/wine/i386-windows/* "$WINEPREFIX/drive_c/windows/syswow64/"

phase "mingw32: tests under 32-bit Wine"
qemu_version="$("$TARVO_QEMU_I386" --version |
  sed -n 's/.*version \([0-9][0-9]*\)\.\([0-9][0-9]*\).*/\1 \2/p' | head -n 1)"
x86_dll="Z:$work/zip/x86/Tarvo.dll"
wine32_timed() { timeout "$wine32_limit" cmake/wine32-run.sh "$@"; }
if [ "$(echo "${qemu_version:-0 0}" | awk '{print $1 * 100 + $2}')" -ge 801 ]; then
  # A fast qemu: the 32-bit unit, ABI and WAV tests, then a render and the identity through
  # the shipped (stripped) 32-bit DLL; 90 + 30 + 30 s at most.
  timeout 90 ctest --preset mingw32 ||
    { echo "error: the 32-bit tests failed or did not finish in time"; exit 1; }
  wine32_limit=30
  render_windows wine32_timed build/mingw32/host/tarvo-render.exe win32.wav --plugin "$x86_dll"
  wine32_timed build/mingw32/host/tarvo-info.exe "$x86_dll" >"$work/info32"
  for line in "Tarvo by Velmora Audio (product Tarvo), id 'vm7q', version 1" \
              "2 in / 2 out, flags 0x19" "25 parameters:" "25 programs:"; do
    grep -q "^$line" "$work/info32" || { echo "error: 32-bit tarvo-info lacks '$line'"; exit 1; }
  done
  head -n 2 "$work/info32"
  # The editor of the 32-bit DLL in a real window, in-process: open, the panel on the screen
  # before any idle call, a knob drag and the A/B switch (their automation and screenshots),
  # close and reopen, and a host that closes the editor or the effect inside the shell call.
  # The test of the shell itself starts a second program and stays 64-bit only. 60 s at most.
  phase "mingw32: editor under 32-bit Wine"
  # The prefix's Wine server outlives the display of the steps before it and would hand
  # the new program the old, closed display, where no window can be made: it is stopped
  # so that the editor's programs start one on the display of their own step.
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  editor32=ok
  if ! timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    cmake/wine32-run.sh build/mingw32/tests/platform/tarvo_win32_editor_test.exe \
      --gtest_filter=-Win32Editor.TheManualButtonOpensTheRegistryPathThroughTheShell &&
    cmake/wine32-run.sh build/mingw32/tests/platform/tarvo_win32_editor_shell_test.exe' \
    >"$work/editor32.log" 2>&1; then
    cat "$work/editor32.log"
    # When the test's own host window cannot be made, every test stops at that line:
    # 32-bit Wine has no working display here, which is set-up, not Tarvo.
    failed=$(grep -c '^\[  FAILED  \] .* ms)' "$work/editor32.log" || true)
    nowindow=$(grep -c 'Expected: (parent) != (nullptr)' "$work/editor32.log" || true)
    if [ "$failed" -gt 0 ] && [ "$failed" = "$nowindow" ]; then
      banner "32-BIT WINE COULD NOT CREATE A WINDOW HERE: the 32-bit editor was NOT checked." \
           "This is a set-up failure, not a test failure; its log is above."
      editor32=skipped
    else
      echo "error: the 32-bit editor tests failed or did not finish in time"
      exit 1
    fi
  fi
  if [ "$editor32" = ok ]; then
    grep -E '^\[  (PASSED|FAILED|SKIPPED) ' "$work/editor32.log"
    # And in tarvo-host with its audio thread and timer, through the shipped DLL.
    timeout 40 xvfb-run -a -s "-screen 0 1280x1024x24" cmake/wine32-run.sh \
      build/mingw32/host/tarvo-host.exe --gui --plugin "$x86_dll" --seconds 2 >"$work/host32.log" 2>&1 ||
      { cat "$work/host32.log"; echo "error: the 32-bit tarvo-host failed"; exit 1; }
    if ! grep -q "^editor open" "$work/host32.log" ||
       [ "$(grep -c '^param ' "$work/host32.log")" != 25 ]; then
      cat "$work/host32.log"; echo "error: the 32-bit tarvo-host did not open the editor and finish"; exit 1
    fi
    echo "32-bit tarvo-host: editor opened, ran 2 s with audio, closed"
  fi
else
  # Debian 12's qemu 7.2 spends a minute or two starting each 32-bit process: the ABI tests
  # and one render, side by side, 150 s at most (no editor tests: they would take minutes
  # more). Running out of that time is the emulator's slowness, reported like a set-up
  # failure; any other failure fails.
  timeout 150 ctest --preset mingw32 -R '^tarvo_abi_test$' &
  abi_pid=$!
  wine32_limit=150
  render_rc=0
  render_windows wine32_timed build/mingw32/host/tarvo-render.exe win32.wav \
    --plugin "$x86_dll" || render_rc=$?
  abi_rc=0
  wait "$abi_pid" || abi_rc=$?
  if [ "$render_rc" = 124 ] || [ "$abi_rc" = 124 ]; then
    banner "THE 32-BIT RUN DID NOT FINISH IN 150 s under the slow qemu $(echo "$qemu_version" | tr " " .)." \
         "Not a test failure: the 32-bit DLL was built and its exports checked."
    phase ""
    echo "Windows stage passed in $(elapsed) s, without a complete 32-bit run:$phase_summary"
    exit 0
  fi
  [ "$render_rc" = 0 ] || { echo "error: the 32-bit render failed"; exit 1; }
  [ "$abi_rc" = 0 ] || { echo "error: the 32-bit ABI tests failed"; exit 1; }
fi
"$compare" compare "$work/linux.wav" "$work/win32.wav" --label "32-bit Windows vs Linux"
"$compare" compare "$work/win64.wav" "$work/win32.wav" --label "32-bit vs 64-bit Windows"

phase ""
echo "Windows stage passed in $(elapsed) s, 64-bit and 32-bit tests under Wine:$phase_summary"
