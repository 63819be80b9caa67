#!/bin/bash
# The Ardour stage (README, "Validated in Ardour"): Tarvo in Debian's Ardour 7, headless,
# against what `tarvo-info --tsv` says a host must see.
#   scripts/test-ardour.sh [--lv2] [BUILD_DIR]   (default build/release, or TARVO_BUILD_DIR)
# With --lv2 the plug-in is Tarvo.lv2 (Ardour finds it through LV2_PATH; the program is its
# LV2 preset and the settings are port values in dB) instead of Tarvo.so.
# Ardour 7.3 aborts or hangs in a fair share of its runs, so each Ardour step runs under
# `timeout` in fresh HOME/XDG folders, up to TARVO_ARDOUR_TRIES times (4) within
# TARVO_ARDOUR_BUDGET (600 s); a try is repeated when Ardour crashed, hung, wrote nothing,
# dropped Tarvo or moved the export in time, never on a processing difference. Exit 1: a
# test failure (Tarvo, its build or the comparison is wrong). Exit 0 with a banner (3 with
# TARVO_ARDOUR_REQUIRED=1): Ardour could not run here, and Tarvo was not checked.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib.sh
. scripts/lib.sh
export LC_ALL=C  # decimal points in awk and in Ardour's texts, whatever the user's locale

format=vst
if [ "${1:-}" = --lv2 ]; then
  format=lv2
  shift
fi
build="${1:-${TARVO_BUILD_DIR:-build/release}}"
tries="${TARVO_ARDOUR_TRIES:-4}"
budget="${TARVO_ARDOUR_BUDGET:-600}"
limit=30  # seconds per Ardour try: a normal one takes 2-6 s here, a hung one never ends

# The check, in the units the editor shows; the wrong threshold (1 dB off) must be seen.
program="Mix Down"
threshold_db=-24
output_gain_db=-12
wrong_threshold_db=-23
rate=48000  # not the plug-in's 44.1 kHz default: Ardour must pass the session's rate on
# Each run of the plug-in dithers its input (+-3e-8, seeded from the clock); its trace in
# this output stays near -134 dBFS (measured every time below: two tarvo-render runs). The
# limits leave 20 dB above that; a threshold 1 dB off changes the output by -28 dBFS.
limits=(--max-db -110 --rms-db -120)
exact=(--max-db -200 --rms-db -200)

# The work folder (logs and files) is removed when the stage passes, kept otherwise.
declare -A retried=([scan]=0 [lua]=0 [export]=0)
work="" build_seconds=0
setup_failure() {
  banner "ARDOUR SETUP FAILURE - Tarvo was NOT checked in Ardour (not a test failure)" \
    "$1" "Stage time $(elapsed) s; Ardour retries: scan ${retried[scan]}," \
    "luasession ${retried[lua]}, export ${retried[export]}." ${work:+"Logs: $work"}
  exit $((${TARVO_ARDOUR_REQUIRED:-0} == 1 ? 3 : 0))
}
test_failure() {
  banner "ARDOUR TEST FAILED: $*" ${work:+"Logs and files: $work"}
  exit 1
}
# check STATUS FAILURE REFERENCE CANDIDATE OPTIONS...: tarvo-audio-compare must answer STATUS
# (0: within the limits, 1: outside), else the test failure FAILURE.
check() {
  local status=0
  "$compare" compare "${@:3}" || status=$?
  [ "$status" -eq "$1" ] || test_failure "$2 (tarvo-audio-compare answered $status)"
}

phase "Ardour: packages"
timeout 480 scripts/deps.sh ardour || setup_failure "the Debian package 'ardour' could not be installed"
scanner=/usr/lib/ardour7/ardour-vst-scanner
for tool in "$scanner" /usr/bin/ardour7-lua /usr/bin/ardour7-export; do
  [ -x "$tool" ] || setup_failure "$tool is missing after installing 'ardour'"
  { LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 30 "$tool" --version </dev/null 2>&1 || true; } | head -n 1
done

phase "Ardour: build ($build)"
build_started=$(elapsed)
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
[ -f "$build/CMakeCache.txt" ] || cmake --preset release -B "$build" >/dev/null ||
  test_failure "cannot configure $build"
targets=(Tarvo tarvo-info tarvo-render tarvo-audio-compare)
[ $format = vst ] || targets+=(tarvo_lv2)
cmake --build "$build" --target "${targets[@]}" ||
  test_failure "the build failed"
build_seconds=$(($(elapsed) - build_started))
bin=$(cd "$build" && pwd)
compare="$bin/tests/compare/tarvo-audio-compare"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-ardour.XXXXXX")
# The plug-in in a folder of its own, with an old time stamp: Ardour uses a scan cache entry
# only when it is newer, in whole seconds, than the binary.
vst="$work/vst"
install -D "$bin/Tarvo.so" "$vst/Tarvo.so" && touch -d "2000-01-01 00:00:00" "$vst/Tarvo.so"
lv2="$work/lv2"  # the bundle alone, so that Ardour finds no other LV2 plug-in
[ $format = vst ] || { mkdir -p "$lv2" && cp -r "$bin/Tarvo.lv2" "$lv2/"; } ||
  test_failure "$bin/Tarvo.lv2 is missing"

info="$work/tarvo-info.tsv"
"$bin/host/tarvo-info" --tsv "$vst/Tarvo.so" >"$info" || test_failure "tarvo-info cannot load Tarvo.so"
IFS=$'\t' read -r _ name vendor _ code unique_id _ inputs outputs _ <"$info" || true
[ "$name|$vendor|$inputs|$outputs" = "Tarvo|Velmora Audio|2|2" ] ||
  test_failure "tarvo-info shows \"$name\" by \"$vendor\", $inputs in / $outputs out"
awk -F'\t' '$1 == "param" { print $2 " " $3 }' "$info" >"$work/expected-parameters.txt"
awk -F'\t' '$1 == "program" { print $2 " - " $3 }' "$info" >"$work/expected-programs.txt"
# setting NAME DB: "INDEX=VALUE" for Ardour, VALUE being DB normalized over the range in dB
# that tarvo-info shows (linear in dB). tarvo-render maps DB itself: the comparison of the
# renders checks that both sides agree.
setting() {
  awk -F'\t' -v n="$1" -v x="$2" '$1 == "param" && $3 == n && $4 == "dB" && $5 != $6 {
    printf "%s=%.9g", $2, (x - $5) / ($6 - $5) }' "$info"
}
threshold=$(setting Threshold "$threshold_db")
output_gain=$(setting "Output Gain" "$output_gain_db")
plugin_type=LXVST
if [ $format = lv2 ]; then
  # Ardour lists an LV2 plug-in's control inputs by port index and name, as lilv reads
  # the bundle's Turtle, and its presets by URI and label; a setting's index counts the
  # control ports, which begin with the inputs.
  LV2_PATH="$lv2" lv2info urn:velmora:tarvo >"$work/lv2info.txt" ||
    test_failure "lv2info does not find urn:velmora:tarvo in Tarvo.lv2"
  awk '/^\tPort [0-9]+:/ { port = $2 + 0; control = input = 0 }
    /#ControlPort/ { control = 1 } /#InputPort/ { input = 1 }
    /^\t\tName:/ && control && input { sub(/^\t\tName: */, ""); print port " " $0 }' \
    "$work/lv2info.txt" >"$work/expected-parameters.txt"
  awk -F'\t' '$1 == "program" { print "urn:velmora:tarvo:program:" $2 " " $3 }' "$info" |
    sort >"$work/expected-programs.txt"
  port_setting() {
    awk -v n="$1" -v x="$2" '{ sub(/^[0-9]+ /, "") } $0 == n { print NR - 1 "=" x }' \
      "$work/expected-parameters.txt"
  }
  threshold=$(port_setting Threshold "$threshold_db")
  output_gain=$(port_setting "Output Gain" "$output_gain_db")
  if [ -z "$threshold" ] || [ -z "$output_gain" ]; then
    test_failure "Tarvo.lv2 has no Threshold or Output Gain port"
  fi
  unique_id=urn:velmora:tarvo plugin_type=LV2
fi
if [ -z "$threshold" ] || [ -z "$output_gain" ]; then
  test_failure "tarvo-info lists no Threshold or Output Gain with a range in dB"
fi
echo "tarvo-info: id '$code' = $unique_id, $(grep -c '^param' "$info") parameters," \
  "$(grep -c '^program' "$info") programs"

phase "Ardour: test signal, tarvo-render references"
"$compare" signal "$work/input.wav" --rate "$rate" | tee "$work/signal.txt" ||
  test_failure "cannot write the test signal"
frames=$(sed -n 's/.*, \([0-9]*\) frames,.*/\1/p' "$work/signal.txt")
for render in reference:$threshold_db reference-again:$threshold_db \
  wrong-threshold:$wrong_threshold_db; do
  "$bin/host/tarvo-render" --plugin "$vst/Tarvo.so" "$work/input.wav" "$work/${render%%:*}.wav" \
    --program "$program" --set "Threshold=${render#*:}" --set "Output Gain=$output_gain_db" ||
    test_failure "tarvo-render failed"
done
check 0 "two renders differ beyond the limits: the limits are below the noise" \
  "$work/reference.wav" "$work/reference-again.wav" "${limits[@]}" \
  --label "the dither noise: two tarvo-render runs against each other"

# step NAME TRY ARGS...: TRY DIR ARGS... until it passes, at most $tries times while the
# budget holds a try; DIR=$work/NAME.<try number> is the try's own, and its failures count
# in retried[] under NAME's part before any dot.
attempt() {
  [ $(($(elapsed) - build_seconds + limit)) -le "$budget" ] || return 1
  n=$((n + 1))
  "$2" "$work/$1.$n" "${@:3}" && return 0
  retried[${1%%.*}]=$((retried[${1%%.*}] + 1))
  return 1
}
step() {
  n=0
  retry "$tries" 0 attempt "$@"
}
# in_fresh_home DIR CMD...: CMD under the time limit of a try, in fresh HOME and XDG folders
# below DIR, with the scan cache (once there is one) and LXVST_PATH naming the plug-in's
# folder: Ardour finds a VST 2 plug-in only through both.
in_fresh_home() {
  local dir=$1
  shift
  mkdir -p "$dir/home" "$dir/config" "$dir/cache/ardour7" "$dir/data"
  [ ! -d "$work/scan-cache" ] || cp -r "$work/scan-cache" "$dir/cache/ardour7/vst"
  HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_CACHE_HOME="$dir/cache" \
    XDG_DATA_HOME="$dir/data" LXVST_PATH="$vst" LV2_PATH="$lv2" timeout -k 10 "$limit" "$@" </dev/null
}

if [ $format = vst ]; then
  phase "Ardour: ardour-vst-scanner"
  scan() {
    local status=0
    in_fresh_home "$1" env LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f "$vst/Tarvo.so" \
      >"$1.log" 2>&1 || status=$?
    # The scanner answers 0 even when it could not load the plug-in: the cache file tells.
    grep -qs "<VST2Info " "$1"/cache/ardour7/vst/*.v2i &&
      mkdir -p "$work/scan-cache" && cp "$1"/cache/ardour7/vst/*.v2i "$work/scan-cache/" && return 0
    echo "scan try $n: exit status $status, no cache entry"
    return 1
  }
  if ! step scan scan; then
    tail -n 20 "$work"/scan.*.log || true
    # The scanner is a small loader of the plug-in alone: failing on every try is Tarvo's.
    test_failure "ardour-vst-scanner wrote no cache entry for Tarvo.so in $n tries"
fi
grep "Found Plugin" "$work/scan.$n.log" || true
entry=$(grep -h "<VST2Info " "$work/scan-cache/"*.v2i)
echo "cache: ${entry#"${entry%%[! ]*}"}"
for expect in id="$unique_id" name="$name" creator="$vendor" n_inputs="$inputs" \
  n_outputs="$outputs" has_editor=1 is_instrument=0; do
  grep -qF " ${expect%%=*}=\"${expect#*=}\"" <<<"$entry" || test_failure "the scan shows$(
    grep -o " ${expect%%=*}=\"[^\"]*\"" <<<"$entry" || echo " no ${expect%%=*}"), not $expect"
done
grep -qF "binary=\"$vst/Tarvo.so\"" "$work/scan-cache/"*.v2i ||
  test_failure "the cache entry names another binary"
fi

phase "Ardour: ardour7-lua session"
luasession() {
  local status=0
  in_fresh_home "$1" env TARVO_SESSION_DIR="$1/tarvo-check" TARVO_SESSION_NAME=tarvo-check \
    TARVO_RATE="$rate" TARVO_PLUGIN="$unique_id" TARVO_PLUGIN_TYPE="$plugin_type" TARVO_PROGRAM="$program" \
    TARVO_SET="$threshold,$output_gain" TARVO_AUDIO_FILE="$work/input.wav" \
    TARVO_FRAMES="$frames" ardour7-lua "$PWD/tests/ardour/session.lua" >"$1.out" 2>"$1.err" ||
    status=$?
  if grep -q "^ERROR CHECK" "$1.out"; then
    cat "$1.out"
    test_failure "luasession: $(sed -n 's/^ERROR CHECK //p' "$1.out")"
  fi
  [ "$status" -eq 0 ] && grep -q "^SESSION " "$1.out" && return 0
  echo "luasession try $n: exit status $status after" \
    "\"$(grep '^STEP' "$1.out" | tail -n 1)\" $(grep '^ERROR' "$1.out")"
  return 1
}
if ! step lua luasession; then
  tail -n 5 "$work"/lua.*.out "$work"/lua.*.err || true
  setup_failure "ardour7-lua crashed, hung or failed on all $n tries"
fi
session="$work/lua.$n/tarvo-check"
out="$work/lua.$n.out"
grep -E "^(PLUGIN|BLOCK|LATENCY|READBACK)" "$out" || true
shown=$(sed -n 's/^PLUGIN //p' "$out")
[ "$shown" = "$unique_id $inputs $outputs $name | $vendor" ] ||
  test_failure "Ardour shows the plug-in as \"$shown\""
sed -n 's/^PARAM //p' "$out" >"$work/ardour-parameters.txt"
if [ $format = vst ]; then
  sed -n 's/^PROGRAM VST:[0-9]*:[0-9]* //p' "$out" >"$work/ardour-programs.txt"
else
  sed -n 's/^PROGRAM //p' "$out" | sort >"$work/ardour-programs.txt"
fi
for list in parameters programs; do
  echo "The $list as Ardour lists them:"
  sed 's/^/  /' "$work/ardour-$list.txt"
  diff "$work/expected-$list.txt" "$work/ardour-$list.txt" || test_failure "Ardour lists" \
    "$(wc -l <"$work/ardour-$list.txt") $list, tarvo-info $(wc -l <"$work/expected-$list.txt"):" \
    "they differ (diff above)"
done
[ "$(sed -n 's/^LATENCY //p' "$out")" = "0 0" ] ||
  test_failure "Ardour compensates a latency: $(sed -n 's/^LATENCY //p' "$out")"
echo "Values after \"$program\", Threshold $threshold_db dB = ${threshold#*=}," \
  "Output Gain $output_gain_db dB = ${output_gain#*=}: $(sed -n 's/^VALUE //p' "$out" | tr '\n' ' ')"

# The same session with Tarvo deactivated, for Ardour's own path.
cp -r "$session" "$work/bypassed"
ptype=${plugin_type,,}
sed -i "s/\\(<Processor [^>]*\\)active=\"1\"\\([^>]*type=\"$ptype\"\\)/\\1active=\"0\"\\2/" \
  "$work/bypassed/tarvo-check.ardour"
grep -q "active=\"0\"[^>]*type=\"$ptype\"" "$work/bypassed/tarvo-check.ardour" ||
  test_failure "cannot deactivate Tarvo in the session file"

# export_once DIR SESSION RESULT REFERENCE MESSAGE LIMITS...: one ardour7-export of SESSION,
# compared with REFERENCE; an accepted file goes to RESULT.wav, its comparison (shown) to
# RESULT.txt. A processing difference is the test failure MESSAGE. A crash, a hang, no file,
# a file equal to the input while REFERENCE is not (Tarvo missing from the chain) or
# REFERENCE moved in time fails the try, $why saying which.
export_once() {
  local t=$1 result=$3 reference=$4 message=$5 status=0
  mkdir -p "$t" && cp -r "$2" "$t/session"  # a pristine copy: the export may write into it
  shift 5
  in_fresh_home "$t" ardour7-export -b float -o "$t/out.wav" "$t/session" tarvo-check \
    >"$t.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ] || [ ! -s "$t/out.wav" ]; then
    why="crashed, hung or wrote nothing"
    echo "export try $n: exit status $status$(test -s "$t/out.wav" || echo ", no file")"
    return 1
  fi
  "$compare" compare "$reference" "$t/out.wav" "$@" --diagnose-shift 1024 \
    --label "Ardour's export, $what, try $n" >"$t.compare" 2>&1 || status=$?
  if [ "$status" -ne 0 ] && [ "$reference" != "$work/input.wav" ] &&
    "$compare" compare "$work/input.wav" "$t/out.wav" "$@" >/dev/null 2>&1; then
    why="lacked Tarvo"
    echo "export try $n: the file equals the unprocessed input: Tarvo was not in the chain"
    return 1
  fi
  case $status in
    0) cp "$t/out.wav" "$result.wav" && cp "$t.compare" "$result.txt" && cat "$result.txt" ;;
    3) why="was moved in time"; echo "export try $n: $(sed -n 's/^  diagnosis: //p' "$t.compare")"; return 1 ;;
    *) cat "$t.compare"; test_failure "$message" ;;
  esac
}
# export_session WHAT SESSION RESULT REFERENCE MESSAGE LIMITS...: export_once until a try is
# accepted. Failing on every try is Ardour's when it crashed, hung or wrote nothing.
export_session() {
  phase "Ardour: ardour7-export, $1"
  what=$1 why=""
  local name
  name=export.$(basename "$3")
  step "$name" export_once "${@:2}" && return 0
  case $why in
    "crashed, hung or wrote nothing" | "")
      tail -n 5 "$work/$name".*.log || true
      setup_failure "ardour7-export $why on every try within the time budget ($1)" ;;
    *) test_failure "Ardour's export $why on every try ($1)" ;;
  esac
}
export_session "Tarvo active" "$session" "$work/ardour" "$work/reference.wav" \
  "Ardour's render of Tarvo differs from tarvo-render" "${limits[@]}"
export_session "Tarvo deactivated" "$work/bypassed" "$work/ardour-bypassed" \
  "$work/input.wav" "Ardour's own path changes the signal: the session is not a neutral host" \
  "${exact[@]}"

phase "Ardour: comparisons"
# Equal lengths (the tool compares nothing else) and agreement at offset 0: Tarvo reports
# no latency, Ardour compensates none, and the export renders exactly the region.
echo "Ardour's export equals tarvo-render (\"$program\", Threshold $threshold_db dB, Output Gain" \
  "$output_gain_db dB), aligned: $frames frames in both, offset 0, latency 0 (Tarvo and Ardour)"
check 1 "a threshold 1 dB off is not outside the limits: they are too loose" \
  "$work/wrong-threshold.wav" "$work/ardour.wav" "${limits[@]}" \
  --label "proof: against tarvo-render at Threshold $wrong_threshold_db dB (must be outside)"
check 1 "Ardour's export is not processed" "$work/input.wav" "$work/ardour.wav" "${limits[@]}" \
  --label "the same export against the unprocessed input (must be outside: Tarvo in the chain)"

phase ""
echo "Ardour retries: scan ${retried[scan]}, luasession ${retried[lua]}, export" \
  "${retried[export]} (up to $tries tries per step); stages:$phase_summary"
echo "Ardour stage ($format) passed in $(elapsed) s: Tarvo listed, set and rendered in Ardour;" \
  "against tarvo-render $(sed -n \
    's/^  max \(|difference| [^ ]* dBFS\).*; \(RMS difference [^ ]* dBFS\).*/max \1, \2/p' \
    "$work/ardour.txt")."
rm -rf "$work"
