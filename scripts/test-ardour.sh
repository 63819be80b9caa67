#!/bin/sh
# The Ardour stage: Tarvo in a digital audio workstation nobody here wrote. Ardour 7 from
# Debian, headless, with its dummy audio backend:
#   1. ardour-vst-scanner scans Tarvo.so; its cache entry must show "Tarvo" by "Velmora
#      Audio", 2 inputs, 2 outputs, an editor and the unique id tarvo-info prints.
#   2. ardour7-lua (tests/ardour/session.lua) puts Tarvo on a stereo track, lists its 25
#      parameters and 25 programs (compared with tarvo-info's, name by name), loads a
#      factory program, sets two parameters and reads them back, and lays a 10 s stereo
#      test file on the track.
#   3. ardour7-export renders the session (32-bit float); the result must equal tarvo-render
#      of the same file and settings up to the dither noise, sample by sample at offset 0.
#      A deliberately wrong setting must fail that comparison, the file must differ from the
#      unprocessed input (Tarvo was in the chain), and Ardour's own path with Tarvo
#      deactivated must give the input back exactly (fader, panner and master at unity).
#
# Usage: scripts/test-ardour.sh [BUILD_DIR]   (default build/release, or TARVO_BUILD_DIR;
#        configured with the release preset and built when absent)
#
# What fails CI. Ardour 7.3 aborts or hangs in a fair share of its runs (here about one
# export in five, with Tarvo, with Tarvo deactivated and with no plug-in at all), so every
# Ardour step runs under `timeout` in fresh HOME/XDG folders and is tried up to
# TARVO_ARDOUR_TRIES times (4); the retries are counted and reported. A try is repeated
# when Ardour crashed, hung or wrote nothing, when the export lacks Tarvo (the file equals
# the unprocessed input: Ardour drops a plug-in it cannot find without a word), or when the
# export is the expected result moved in time (seen once in about forty exports: 16 frames
# early, while Tarvo and Ardour both report no latency). A processing difference is never
# tried again.
#   - Test failure (exit 1, fails CI): anything that says Tarvo or its build is wrong: a
#     build error, a wrong or missing scan entry, a parameter or program list that differs,
#     a setting that does not read back, a reported latency, an export that differs from
#     tarvo-render beyond the noise (or lacks Tarvo, or is moved in time, on every try), or
#     a comparison too loose to see a wrong setting.
#   - Setup failure (loud banner, exit 0; exit 3 with TARVO_ARDOUR_REQUIRED=1): Ardour
#     itself cannot run here: the package cannot be installed, a tool is missing, or
#     ardour7-lua or ardour7-export crashed, hung or wrote nothing on every try, or the time
#     budget (TARVO_ARDOUR_BUDGET, 600 s of stage time without the build) left no room for
#     another try. Then Tarvo was not checked, and the banner says so; nothing about the
#     plug-in was found wrong.
set -u
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
started=$(date +%s)
# Numbers in awk and in Ardour's texts with a decimal point whatever the user's locale.
LC_ALL=C
export LC_ALL

build="${1:-${TARVO_BUILD_DIR:-build/release}}"
tries="${TARVO_ARDOUR_TRIES:-4}"
budget="${TARVO_ARDOUR_BUDGET:-600}"

# The check: a factory program and two parameters, in the units the editor shows. The
# wrong threshold is 1 dB off; the comparison must see it.
program="Mix Down"
threshold_db=-24
output_gain_db=-12
wrong_threshold_db=-23
rate=48000  # not the plug-in's 44.1 kHz default: Ardour must pass the session's rate on

# Limits of the comparison with tarvo-render, in dBFS. Each run of the plug-in adds its own
# dither noise, uniform within +-3e-8 (-150 dBFS) and seeded from the clock, to its input;
# through the make-up gain and the gain computer its trace in this output stays near 2e-7
# (-134 dBFS; the stage measures it every time: two tarvo-render runs against each other).
# The limits leave more than 20 dB above that, while a threshold 1 dB off changes the
# output by 0.04 (-28 dBFS) and its RMS by -58 dBFS.
max_abs_db=-110
max_rms_db=-120
limits="--max-abs-db $max_abs_db --max-rms-db $max_rms_db"
# How far a time shift by Ardour is looked for, to tell it from a processing difference.
shift_frames=1024

# Seconds per try: a normal run takes 2-6 s here; a hung one never ends.
scan_limit=30
lua_limit=30
export_limit=30

scan_retries=0
lua_retries=0
export_retries=0
work=""
keep_work=0

elapsed() { echo "$(($(date +%s) - started))"; }

banner() {
  echo "########################################################################"
  for line in "$@"; do echo "# $line"; done
  echo "########################################################################"
}

setup_failure() {
  banner "ARDOUR SETUP FAILURE - Tarvo was NOT checked in Ardour (not a test failure)" \
    "$1" "Stage time $(elapsed) s; Ardour retries: scan $scan_retries," \
    "luasession $lua_retries, export $export_retries." ${work:+"Logs: $work"}
  keep_work=1
  [ "${TARVO_ARDOUR_REQUIRED:-0}" = 1 ] && exit 3
  exit 0
}

test_failure() {
  banner "ARDOUR TEST FAILED: $1" ${work:+"Logs and files: $work"}
  keep_work=1
  exit 1
}

# Whether the time budget still holds a try of $1 seconds. The budget counts the stage's
# time without the build (a no-op in CI, where the tests built everything before).
build_seconds=0
time_for() { [ $(($(elapsed) - build_seconds + $1)) -le "$budget" ]; }

echo "=== Ardour: packages ==="
if ! timeout 480 scripts/deps.sh ardour; then
  setup_failure "the Debian package 'ardour' could not be installed"
fi
scanner=/usr/lib/ardour7/ardour-vst-scanner
for tool in "$scanner" /usr/bin/ardour7-lua /usr/bin/ardour7-export; do
  [ -x "$tool" ] || setup_failure "$tool is missing after installing 'ardour'"
done
LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 30 "$scanner" --version </dev/null 2>&1 | head -n 1
ardour7-lua --version </dev/null 2>&1 | head -n 1
ardour7-export --version </dev/null 2>&1 | head -n 1

echo "=== Ardour: build ($build, $(elapsed) s) ==="
build_started=$(date +%s)
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset release -B "$build" >/dev/null || test_failure "cannot configure $build"
fi
# A build folder configured before tests/ardour existed lacks the comparison tool: add its
# test folder to the cached list.
if ! cmake --build "$build" --target help 2>/dev/null | grep -q "tarvo-wav-compare"; then
  folders=$(sed -n 's/^TARVO_TEST_FOLDERS:[A-Z]*=//p' "$build/CMakeCache.txt")
  cmake -S . -B "$build" -DTARVO_BUILD_TESTS=ON \
    "-DTARVO_TEST_FOLDERS=${folders:+$folders;}ardour" >/dev/null ||
    test_failure "cannot configure $build with tests/ardour"
fi
cmake --build "$build" --target Tarvo tarvo-info tarvo-render tarvo-wav-compare ||
  test_failure "the build failed"
build_seconds=$(($(date +%s) - build_started))
case "$build" in
  /*) bin=$build ;;
  *) bin="$root/$build" ;;
esac
compare="$bin/tests/ardour/tarvo-wav-compare"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-ardour.XXXXXX")
cleanup() { [ "$keep_work" = 1 ] || rm -rf "$work"; }
trap cleanup EXIT

# The plug-in in a folder of its own, with an old time stamp: Ardour uses a scan cache entry
# only when it is newer, in whole seconds, than the binary, and a scan right after a build
# can fall into the same second.
vst="$work/vst"
mkdir -p "$vst"
cp "$bin/Tarvo.so" "$vst/Tarvo.so"
touch -d "2000-01-01 00:00:00" "$vst/Tarvo.so"

# What a host must see, from tarvo-info (the plug-in's own answers through the VST 2
# interface): the identity, the parameter names and the program names.
"$bin/host/tarvo-info" "$vst/Tarvo.so" >"$work/tarvo-info.txt" ||
  test_failure "tarvo-info cannot load Tarvo.so"
code=$(sed -n "1s/.*, id '\(....\)'.*/\1/p" "$work/tarvo-info.txt")
[ ${#code} -eq 4 ] || test_failure "tarvo-info prints no four-character id"
byte() { printf '%d' "'$(printf '%s' "$code" | cut -c"$1")"; }
unique_id=$((($(byte 1) << 24) | ($(byte 2) << 16) | ($(byte 3) << 8) | $(byte 4)))
# "  NN  Name          Display   (value)": the name is 13 characters from column 7.
sed -n '/ parameters:$/,/^$/p' "$work/tarvo-info.txt" | sed -n 's/^  *\([0-9][0-9]*\)  /\1 /p' |
  while read -r index rest; do
    printf '%s %s\n' "$index" "$(printf '%s' "$rest" | cut -c1-13 | sed 's/ *$//')"
  done >"$work/expected-params.txt"
sed -n '/ programs:$/,/^$/p' "$work/tarvo-info.txt" |
  sed -n 's/^  *\([0-9][0-9]*\)  \(.*\)$/\1 - \2/p' >"$work/expected-programs.txt"
param_index() { sed -n "s/^\([0-9]*\) $1\$/\1/p" "$work/expected-params.txt"; }
threshold_index=$(param_index Threshold)
output_gain_index=$(param_index "Output Gain")
if [ -z "$threshold_index" ] || [ -z "$output_gain_index" ]; then
  test_failure "tarvo-info lists no Threshold or Output Gain"
fi
echo "tarvo-info: id '$code' = $unique_id, $(wc -l <"$work/expected-params.txt") parameters," \
  "$(wc -l <"$work/expected-programs.txt") programs"

echo "=== Ardour: test signal and tarvo-render references ($(elapsed) s) ==="
# The test file and what Ardour's export must match: tarvo-render of it with the same
# program and settings, once more for the noise, and once with the wrong threshold.
"$compare" signal "$work/input.wav" --rate "$rate" >"$work/signal.txt" ||
  test_failure "cannot write the test signal"
cat "$work/signal.txt"
frames=$(sed -n 's/.*, \([0-9]*\) frames,.*/\1/p' "$work/signal.txt")
render_with() {
  "$bin/host/tarvo-render" --plugin "$vst/Tarvo.so" "$work/input.wav" "$1" \
    --program "$program" --set "Threshold=$2" --set "Output Gain=$output_gain_db" ||
    test_failure "tarvo-render failed"
}
render_with "$work/reference.wav" "$threshold_db"
render_with "$work/reference-again.wav" "$threshold_db"
render_with "$work/wrong-threshold.wav" "$wrong_threshold_db"

# Runs "$@" under a time limit of $2 seconds in fresh HOME and XDG folders below $1, with
# the scan cache (once there is one) and LXVST_PATH naming the plug-in's folder: Ardour
# finds a VST 2 plug-in only through both, the search path lists the binary and the cache
# describes it.
in_fresh_home() {
  dir=$1
  limit=$2
  shift 2
  mkdir -p "$dir/home" "$dir/config" "$dir/cache" "$dir/data"
  if [ -d "$work/scan-cache" ]; then
    mkdir -p "$dir/cache/ardour7"
    cp -r "$work/scan-cache" "$dir/cache/ardour7/vst"
  fi
  HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_CACHE_HOME="$dir/cache" \
    XDG_DATA_HOME="$dir/data" LXVST_PATH="$vst" timeout -k 10 "$limit" "$@" </dev/null
}

# --- 1. The scan ---------------------------------------------------------------------
echo "=== Ardour: ardour-vst-scanner ($(elapsed) s) ==="
n=0
entry=""
while [ "$n" -lt "$tries" ] && time_for "$scan_limit"; do
  n=$((n + 1))
  t="$work/scan.$n"
  in_fresh_home "$t" "$scan_limit" env LD_LIBRARY_PATH=/usr/lib/ardour7 \
    "$scanner" -f "$vst/Tarvo.so" >"$t.log" 2>&1
  status=$?
  # The scanner answers 0 even when it could not load the plug-in: the cache file tells.
  cache=$(find "$t/cache/ardour7/vst" -name "*.v2i" 2>/dev/null | head -n 1)
  if [ -n "$cache" ] && grep -q "<VST2Info " "$cache"; then
    entry=$(grep "<VST2Info " "$cache")
    mkdir -p "$work/scan-cache"
    cp "$cache" "$work/scan-cache/"
    break
  fi
  echo "scan try $n: exit status $status, no cache entry"
  scan_retries=$((scan_retries + 1))
done
if [ -z "$entry" ]; then
  tail -n 20 "$work"/scan.*.log
  # The scanner is a small loader of the plug-in alone: failing on every try is Tarvo's.
  test_failure "ardour-vst-scanner wrote no cache entry for Tarvo.so in $n tries"
fi
grep "Found Plugin" "$work/scan.$n.log"
echo "cache: $(printf '%s' "$entry" | sed 's/^ *//')"
attribute() { printf '%s' "$entry" | sed -n "s/.* $1=\"\([^\"]*\)\".*/\1/p"; }
for expect in "id=$unique_id" "name=Tarvo" "creator=Velmora Audio" "n_inputs=2" \
  "n_outputs=2" "has_editor=1" "is_instrument=0"; do
  key=${expect%%=*}
  [ "$(attribute "$key")" = "${expect#*=}" ] ||
    test_failure "the scan shows $key=\"$(attribute "$key")\", not \"${expect#*=}\""
done
grep -q "binary=\"$vst/Tarvo.so\"" "$work/scan-cache/"*.v2i ||
  test_failure "the cache entry names another binary"

# --- 2. The session ------------------------------------------------------------------
echo "=== Ardour: ardour7-lua session ($(elapsed) s) ==="
normalized() {
  awk -v x="$1" -v lo="$2" -v hi="$3" 'BEGIN { printf "%.9g", (x - lo) / (hi - lo) }'
}
# The host's side of the mapping: "Threshold" shows -40..0 dB and "Output Gain" -40..+40 dB,
# both linear in the normalized value. tarvo-render got the dB values and maps them itself,
# so the comparison also checks that both sides agree.
threshold_v=$(normalized "$threshold_db" -40 0)
output_gain_v=$(normalized "$output_gain_db" -40 40)
n=0
session=""
while [ "$n" -lt "$tries" ] && time_for "$lua_limit"; do
  n=$((n + 1))
  t="$work/lua.$n"
  in_fresh_home "$t" "$lua_limit" env TARVO_SESSION_DIR="$t/tarvo-check" \
    TARVO_SESSION_NAME=tarvo-check TARVO_RATE="$rate" TARVO_PLUGIN="$unique_id" \
    TARVO_PROGRAM="$program" \
    TARVO_SET="$threshold_index=$threshold_v,$output_gain_index=$output_gain_v" \
    TARVO_AUDIO_FILE="$work/input.wav" TARVO_FRAMES="$frames" \
    ardour7-lua "$root/tests/ardour/session.lua" >"$t.out" 2>"$t.err"
  status=$?
  if grep -q "^ERROR CHECK" "$t.out"; then
    cat "$t.out"
    test_failure "luasession: $(sed -n 's/^ERROR CHECK //p' "$t.out")"
  fi
  if [ "$status" -eq 0 ] && grep -q "^SESSION " "$t.out"; then
    session="$t/tarvo-check"
    break
  fi
  echo "luasession try $n: exit status $status after" \
    "\"$(grep '^STEP' "$t.out" | tail -n 1)\" $(grep '^ERROR' "$t.out")"
  lua_retries=$((lua_retries + 1))
done
if [ -z "$session" ]; then
  tail -n 5 "$work"/lua.*.out "$work"/lua.*.err
  setup_failure "ardour7-lua crashed, hung or failed on all $n tries"
fi
out="$work/lua.$n.out"
grep -E "^(PLUGIN|BLOCK|LATENCY|READBACK)" "$out"
[ "$(sed -n 's/^PLUGIN //p' "$out")" = "$unique_id 2 2 Tarvo | Velmora Audio" ] ||
  test_failure "Ardour shows the plug-in as \"$(sed -n 's/^PLUGIN //p' "$out")\""
sed -n 's/^PARAM //p' "$out" >"$work/ardour-params.txt"
sed -n 's/^PROGRAM VST:[0-9]*:[0-9]* //p' "$out" >"$work/ardour-programs.txt"
echo "Parameters as Ardour lists them:"
sed 's/^/  /' "$work/ardour-params.txt"
echo "Programs as Ardour lists them:"
sed 's/^/  /' "$work/ardour-programs.txt"
[ "$(wc -l <"$work/ardour-params.txt")" -eq 25 ] ||
  test_failure "Ardour lists $(wc -l <"$work/ardour-params.txt") parameters, not 25"
diff "$work/expected-params.txt" "$work/ardour-params.txt" ||
  test_failure "Ardour's parameter names differ from tarvo-info's (diff above)"
[ "$(wc -l <"$work/ardour-programs.txt")" -eq 25 ] ||
  test_failure "Ardour lists $(wc -l <"$work/ardour-programs.txt") programs, not 25"
diff "$work/expected-programs.txt" "$work/ardour-programs.txt" ||
  test_failure "Ardour's program names differ from tarvo-info's (diff above)"
[ "$(sed -n 's/^LATENCY //p' "$out")" = "0 0" ] ||
  test_failure "Ardour compensates a latency: $(sed -n 's/^LATENCY //p' "$out")"
echo "Values after \"$program\", Threshold $threshold_db dB = $threshold_v," \
  "Output Gain $output_gain_db dB = $output_gain_v:" \
  "$(sed -n 's/^VALUE //p' "$out" | tr '\n' ' ')"

# The same session with Tarvo deactivated, for Ardour's own path.
cp -r "$session" "$work/bypassed"
sed -i 's/\(<Processor [^>]*\)active="1"\([^>]*type="lxvst"\)/\1active="0"\2/' \
  "$work/bypassed/tarvo-check.ardour"
grep -q 'active="0"[^>]*type="lxvst"' "$work/bypassed/tarvo-check.ardour" ||
  test_failure "cannot deactivate Tarvo in the session file"

# --- 3. The exports ------------------------------------------------------------------
# export_session SESSION_DIR RESULT EXPECTED MESSAGE LIMITS...: exports with ardour7-export, tried
# again on a crash, a hang, no file, a file equal to the unprocessed input while EXPECTED
# is not the input (Tarvo missing from the chain), or a file that is EXPECTED moved in
# time. Copies the accepted file to RESULT; a processing difference is the test failure
# MESSAGE. Sets $why to the reason of the last failed try.
export_session() {
  src=$1
  result=$2
  expected=$3
  message=$4
  shift 4
  why=""
  m=0
  while [ "$m" -lt "$tries" ] && time_for "$export_limit"; do
    m=$((m + 1))
    t="$work/export.$(basename "$result" .wav).$m"
    mkdir -p "$t"
    cp -r "$src" "$t/session"  # a pristine copy: the export may write into the session
    in_fresh_home "$t" "$export_limit" \
      ardour7-export -b float -o "$t/out.wav" "$t/session" tarvo-check >"$t.log" 2>&1
    status=$?
    if [ "$status" -ne 0 ] || [ ! -s "$t/out.wav" ]; then
      why="crashed, hung or wrote nothing"
      echo "export try $m: exit status $status$(test -s "$t/out.wav" || echo ", no file")"
      export_retries=$((export_retries + 1))
      continue
    fi
    "$compare" compare "$t/out.wav" "$expected" "$@" --diagnose-shift "$shift_frames" \
      >"$t.compare" 2>&1
    verdict=$?
    if [ "$verdict" -ne 0 ] && [ "$expected" != "$work/input.wav" ] &&
      "$compare" compare "$t/out.wav" "$work/input.wav" "$@" >/dev/null 2>&1; then
      why="lacked Tarvo"
      echo "export try $m: the file equals the unprocessed input: Tarvo was not in the chain"
      export_retries=$((export_retries + 1))
      continue
    fi
    case $verdict in
      0)
        cp "$t/out.wav" "$result"
        return 0
        ;;
      3)
        why="was moved in time"
        echo "export try $m: $(sed -n 's/^  diagnosis: //p' "$t.compare")"
        export_retries=$((export_retries + 1))
        ;;
      *)
        cat "$t.compare"
        test_failure "$message"
        ;;
    esac
  done
  return 1
}

echo "=== Ardour: ardour7-export, Tarvo active ($(elapsed) s) ==="
# shellcheck disable=SC2086
if ! export_session "$session" "$work/ardour.wav" "$work/reference.wav" \
  "Ardour's render of Tarvo differs from tarvo-render" $limits; then
  case $why in
    "crashed, hung or wrote nothing"|"")
      tail -n 5 "$work"/export.ardour.*.log
      setup_failure "ardour7-export $why on every try within the time budget" ;;
    *) test_failure "Ardour's export $why on every try" ;;
  esac
fi
echo "=== Ardour: ardour7-export, Tarvo deactivated ($(elapsed) s) ==="
if ! export_session "$work/bypassed" "$work/ardour-bypassed.wav" "$work/input.wav" \
  "Ardour's own path changes the signal: the session is not a neutral host" \
  --max-abs-db -200 --max-rms-db -200; then
  case $why in
    "crashed, hung or wrote nothing"|"")
      tail -n 5 "$work"/export.ardour-bypassed.*.log
      setup_failure "ardour7-export $why on every try (Tarvo deactivated)" ;;
    *) test_failure "Ardour's export without Tarvo $why on every try" ;;
  esac
fi

# --- 4. The results ------------------------------------------------------------------
echo "=== Ardour: comparisons ($(elapsed) s) ==="
echo "--- Ardour's path without Tarvo against the input (must be exact):"
"$compare" compare "$work/ardour-bypassed.wav" "$work/input.wav" --max-abs-db -200 \
  --max-rms-db -200 || test_failure "Ardour changes the signal without Tarvo"
echo "--- the dither noise: two tarvo-render runs against each other:"
# shellcheck disable=SC2086
"$compare" compare "$work/reference-again.wav" "$work/reference.wav" $limits ||
  test_failure "two renders differ beyond the limits: the limits are below the noise"
echo "--- Ardour's export against tarvo-render (\"$program\", Threshold $threshold_db dB," \
  "Output Gain $output_gain_db dB):"
# shellcheck disable=SC2086
"$compare" compare "$work/ardour.wav" "$work/reference.wav" $limits | tee "$work/result.txt"
# Alignment: equal lengths (the tool compares nothing else) and agreement at offset 0.
# Nothing is shifted: Tarvo reports no latency, Ardour compensates none (LATENCY 0 0), and
# the export renders exactly the session range, which is the region.
echo "    aligned: $frames frames in both, offset 0, latency 0 (Tarvo and Ardour)"
echo "--- proof: the same export against tarvo-render with Threshold $wrong_threshold_db dB" \
  "(must be outside):"
# shellcheck disable=SC2086
"$compare" compare "$work/ardour.wav" "$work/wrong-threshold.wav" $limits
case $? in
  1) echo "    outside, as it must be" ;;
  0) test_failure "a threshold 1 dB off passes the comparison: the limits are too loose" ;;
  *) test_failure "cannot compare with the render of the wrong threshold" ;;
esac
echo "--- the same export against the unprocessed input (must be outside: Tarvo in the chain):"
# shellcheck disable=SC2086
"$compare" compare "$work/ardour.wav" "$work/input.wav" $limits
[ $? -eq 1 ] || test_failure "Ardour's export is not processed"

echo "Ardour retries: scan $scan_retries, luasession $lua_retries, export $export_retries" \
  "(up to $tries tries per step)"
echo "Ardour stage passed in $(elapsed) s: Tarvo scanned, listed, set and rendered in Ardour;" \
  "against tarvo-render $(sed -n 's/^  max abs difference [^(]*(\([^)]*\)).*/max abs \1/p' \
    "$work/result.txt"), $(sed -n 's/^  \(RMS difference [^ ]* dBFS\).*/\1/p' \
    "$work/result.txt")."
