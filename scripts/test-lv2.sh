#!/bin/bash
# The LV2 stage (README, "LV2"): Tarvo.lv2 as LV2 hosts see it.
#   scripts/test-lv2.sh [BUILD_DIR]   (default build/release, or TARVO_BUILD_DIR)
# lilv's lv2info must show the plug-in with its ports, presets and editor; lilv's lv2apply
# must render a test file through Tarvo.lv2, with the port values of a factory program, as
# tarvo-render does through Tarvo.so, within the dither noise (the limits of the Windows
# stage); a render with the threshold 1 dB off must fall outside them. Then jalv opens the
# editor (tests/lv2/jalv_check.sh). Exit 1 on a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib.sh
. scripts/lib.sh
export LC_ALL=C

build="${1:-${TARVO_BUILD_DIR:-build/release}}"
limits=(--max-db -86.02 --rms-db -120)
fail() {
  banner "LV2 TEST FAILED: $*" ${work:+"Files: $work"}
  exit 1
}

phase "LV2: packages and build ($build)"
scripts/deps.sh
[ -f "$build/CMakeCache.txt" ] || cmake --preset release -B "$build" >/dev/null ||
  fail "cannot configure $build"
cmake --build "$build" --target Tarvo tarvo_lv2 tarvo-lv2gen tarvo-render tarvo-audio-compare ||
  fail "the build failed"
bin=$(cd "$build" && pwd)
compare="$bin/tests/compare/tarvo-audio-compare"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-lv2.XXXXXX")
# The bundle alone on the search path, as a host finds an installed one.
mkdir -p "$work/lv2" && cp -r "$bin/Tarvo.lv2" "$work/lv2/"
export LV2_PATH="$work/lv2"

phase "LV2: lv2info"
# lilv's own bundles (/usr/lib/lv2) give the plug-in's class its name.
LV2_PATH="$LV2_PATH:/usr/lib/lv2" lv2info urn:velmora:tarvo >"$work/lv2info.txt" || fail "lv2info does not find urn:velmora:tarvo"
# count TYPE...: the ports whose type lines name every TYPE.
count() {
  awk -v want="$*" 'function done() { if (port != "" && hits == n) c++ }
    BEGIN { n = split(want, w, " ") }
    /^\tPort [0-9]+:/ { done(); port = $2; hits = 0; split("", seen) }
    /^\t(\t|Type:)/ { for (i = 1; i <= n; i++) if (!seen[i] && index($0, "#" w[i])) { seen[i] = 1; hits++ } }
    END { done(); print c + 0 }' "$work/lv2info.txt"
}
presets=$(awk '/^\tPresets:/ { on = 1; next } on && /^\t +[^ ]/ { n++; next } { on = 0 }
  END { print n + 0 }' "$work/lv2info.txt")
uis=$(awk '/^\t\t\tClass: .*#X11UI$/ { n++ } END { print n + 0 }' "$work/lv2info.txt")
summary="$(sed -n 's/^\tName: *//p' "$work/lv2info.txt") by $(sed -n 's/^\tAuthor: *//p' "$work/lv2info.txt"):"
summary+=" $(count AudioPort InputPort) audio in, $(count AudioPort OutputPort) audio out,"
summary+=" $(count ControlPort InputPort) controls, $(count ControlPort OutputPort) control outputs,"
summary+=" $presets presets, $uis X11 UI"
echo "lv2info: $summary"
grep -E "^[[:space:]](Class|Has latency):" "$work/lv2info.txt" || true
[ "$summary" = "Tarvo by Velmora Audio: 2 audio in, 2 audio out, 23 controls, 7 control outputs, 25 presets, 1 X11 UI" ] ||
  fail "lv2info shows: $summary"

phase "LV2: lv2apply against tarvo-render"
"$compare" signal "$work/input.wav" --rate 48000 || fail "cannot write the test signal"
# render NAME PROGRAM [THRESHOLD_DB]: tarvo-render and lv2apply of the test file with the
# factory program number PROGRAM (and the threshold, if given) into NAME-vst.wav and NAME-lv2.wav.
render() {
  local set=() controls=()
  [ $# -lt 3 ] || set=(--set "Threshold=$3")
  "$bin/host/tarvo-render" --plugin "$bin/Tarvo.so" "$work/input.wav" "$work/$1-vst.wav" \
    --program "$2" "${set[@]}" >/dev/null || fail "tarvo-render failed ($2)"
  while read -r symbol value; do
    [ "$symbol" != threshold ] || [ $# -lt 3 ] || value=$3
    controls+=(-c "$symbol" "$value")
  done < <("$bin/src/lv2/tarvo-lv2gen" --controls "$2")
  [ ${#controls[@]} -eq 69 ] || fail "tarvo-lv2gen gives $((${#controls[@]} / 3)) controls for $2"
  lv2apply -i "$work/input.wav" -o "$work/$1-lv2.wav" "${controls[@]}" urn:velmora:tarvo ||
    fail "lv2apply failed ($2)"
}
# same NAME LABEL: NAME-vst.wav and NAME-lv2.wav agree within the limits.
same() {
  "$compare" compare "$work/$1-vst.wav" "$work/$1-lv2.wav" "${limits[@]}" \
    --label "$2: lv2apply through Tarvo.lv2 against tarvo-render through Tarvo.so" ||
    fail "Tarvo.lv2 renders $2 differently from Tarvo.so"
}
# Mix Down (Smooth 2, link Highest), Vocal (every filter), Pumper, Expander 1.
for program in 13 3 19 20; do
  render "program-$program" "$program"
  same "program-$program" "program $program"
done
render threshold-24 13 -24
same threshold-24 "program 13 at Threshold -24 dB"
render threshold-23 13 -23
status=0
"$compare" compare "$work/threshold-23-vst.wav" "$work/threshold-24-lv2.wav" "${limits[@]}" \
  --label "proof: Threshold -24 dB against -23 dB (must be outside)" || status=$?
[ $status -eq 1 ] || fail "a threshold 1 dB off is not outside the limits (answer $status)"

phase "LV2: the editor in jalv"
# jackd2 brings the JACK server and its metronome; x11-utils xwininfo.
scripts/deps.sh jalv jackd2 x11-utils >/dev/null
mkdir -p "$work/jalv"
status=0
timeout -k 10 120 xvfb-run -a -s "-screen 0 1024x768x24" tests/lv2/jalv_check.sh "$work/lv2" \
  "$bin/host/tarvo-render" "$work/jalv" || status=$?
case $status in
  0) ;;
  1) fail "the editor in jalv (see above)" ;;
  *) banner "JALV SETUP FAILURE - the editor was NOT checked in jalv (status $status)" \
       "$(tail -n 3 "$work/jalv/jackd.log" 2>/dev/null)" ;;
esac

phase ""
echo "LV2 stage passed in $(elapsed) s:$phase_summary"
rm -rf "$work"
