#!/bin/bash
# Tarvo.lv2's editor in a real LV2 host, jalv (GTK 3), on a JACK server with the dummy
# driver; run by scripts/test-lv2.sh inside xvfb-run (a 24-bit screen).
#   tests/lv2/jalv_check.sh LV2_DIR TARVO_RENDER WORK_DIR
# jalv loads the preset "Mix Down" and opens the editor: the panel on the screen must equal
# tarvo-render's snapshot of program 13 pixel for pixel. Then a metronome plays into the
# plug-in and the pointer drags the Threshold knob 30 px down (0 dB to -12 dB): the
# gain-change meter port that jalv prints must show at least 3 dB more reduction after the
# drag. Exit 0 passed, 1 failed, 3 the host could not be set up (JACK or jalv missing).
set -euo pipefail
lv2=$1 render=$2 work=$3
export LV2_PATH="$lv2:/usr/lib/lv2" JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1
export JACK_DEFAULT_SERVER="tarvo-check-$$"
layout="$(dirname "$0")/../../src/editor/editor_layout.h"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
fail() { echo "jalv check FAILED: $*"; exit 1; }
setup() { echo "jalv check SETUP: $*"; exit 3; }
# until SECONDS CMD...: CMD every 0.2 s until it succeeds or SECONDS pass.
until_ok() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 512 >"$work/jackd.log" 2>&1 &
pids+=($!)
until_ok 10 jack_lsp >/dev/null 2>&1 || setup "jackd (dummy driver) does not start"
stdbuf -oL jalv.gtk3 --print-controls -p urn:velmora:tarvo:program:13 urn:velmora:tarvo \
  >"$work/jalv.log" 2>&1 &
pids+=($!)
# The editor: an unnamed 645x485 window at the origin of jalv's frame.
panel() {
  id=$(xwininfo -root -tree | awk '/\(has no name\): \(\)  645x485\+0\+0/ { print $1 }' | tail -n 1)
  [ -n "$id" ]
}
until_ok 20 panel || { cat "$work/jalv.log"; fail "no 645x485 editor window in jalv"; }
grep -q "^UI: *urn:velmora:tarvo#ui" "$work/jalv.log" || fail "jalv did not choose Tarvo's UI"
"$render" --snapshot "$work/program-13.png" --program 13 >/dev/null
# The preset's port events reach the editor at jalv's UI updates (30 a second): the
# picture is taken again, for up to 10 s, until it matches.
matches() {
  import -window "$id" "$work/jalv-panel.png"
  differing=$(compare -metric AE "$work/jalv-panel.png" "$work/program-13.png" /dev/null 2>&1 || true)
  [ "$differing" = 0 ]
}
until_ok 10 matches || true
echo "jalv: editor $id; against tarvo-render's snapshot of program 13: $differing pixels differ"
[ "$differing" = 0 ] || fail "the editor in jalv differs from the snapshot of program 13"

jack_metro -n metro -b 600 -A 0.5 -f 440 -D 80 >/dev/null 2>&1 &
pids+=($!)
until_ok 5 jack_connect metro:600_bpm Tarvo:in_l 2>/dev/null || setup "cannot connect a metronome"
jack_connect metro:600_bpm Tarvo:in_r
sleep 2
before=$(wc -l <"$work/jalv.log")
read -r left top < <(awk -F'[{},]' '/"ThresholdControl"/ { print $4 + 0, $5 + 0 }' "$layout")
read -r x y < <(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }')
x=$((x + left + 24)) y=$((y + top + 24))  # the large knob's centre (49 px)
xdotool mousemove "$x" "$y" mousedown 1
for d in $(seq 1 30); do xdotool mousemove "$x" $((y + d)); done
xdotool mouseup 1
sleep 2
read -r was now < <(awk -v m="$before" '$1 == "gain_l" {
    if (NR <= m) { if ($3 < a) a = $3 } else { if ($3 < b) b = $3 } } END { print a + 0, b + 0 }' \
  "$work/jalv.log")
echo "jalv: strongest gain change of the metronome before the drag $was dB, after $now dB"
awk -v a="$was" -v b="$now" 'BEGIN { exit !(b < a - 3) }' ||
  fail "dragging the Threshold knob did not reach the plug-in"
