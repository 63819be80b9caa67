#!/bin/sh
# The editor in a real X server, driven by the mouse through xdotool, inside tarvo-host.
# Usage: editor_gui_e2e.sh TARVO_HOST PLUGIN OUTDIR   (needs DISPLAY, xdotool, ImageMagick)
set -eu
host_exe="$1"
plugin="$2"
out="$3"
mkdir -p "$out"
log="$out/host.log"

fail() { echo "FAIL: $*" >&2; echo "--- host log ---" >&2; cat "$log" >&2 || true; exit 1; }

# Panel positions (the host's window sits at 0,0 of the screen without a window manager).
threshold_x=392; threshold_y=110     # "Threshold" knob centre
ratio_x=332;     ratio_y=204         # "Ratio" knob centre
attack_x=452;    attack_y=204        # "Attack" knob centre
autogain_x=619;  autogain_y=73       # "Auto-Gain" lamp
reltype2_x=215;  reltype2_y=334      # "Smooth 2" arrow
ab_x=278;        ab_y=91             # A/B button

"$host_exe" --gui --plugin "$plugin" --program 0 > "$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
for i in $(seq 1 100); do
  grep -q "editor open" "$log" 2>/dev/null && break
  sleep 0.1
done
grep -q "editor open" "$log" || fail "the host did not open the editor"
sleep 1
import -window root "$out/before.png"

# Drag "Threshold" down by 30 pixels, one pixel at a time: 30 steps of 0.01.
xdotool mousemove $threshold_x $threshold_y mousedown 1
for i in $(seq 1 30); do xdotool mousemove $threshold_x $((threshold_y + i)); sleep 0.07; done
xdotool mouseup 1
sleep 0.3
# Shift-drag "Ratio" up by 10 pixels: 1000 steps, 0.001 per pixel.
xdotool mousemove $ratio_x $ratio_y keydown shift mousedown 1
for i in $(seq 1 10); do xdotool mousemove $ratio_x $((ratio_y - i)); sleep 0.07; done
xdotool mouseup 1 keyup shift
sleep 0.3
# Ctrl-click "Attack": back to its reset value 0.
xdotool mousemove $attack_x $attack_y keydown ctrl click 1 keyup ctrl
sleep 0.3
# "Auto-Gain" lamp twice: off, then on again.
xdotool mousemove $autogain_x $autogain_y click 1
sleep 0.3
xdotool click 1
sleep 0.3
# "Smooth 2" release type.
xdotool mousemove $reltype2_x $reltype2_y click 1
sleep 0.3
import -window root "$out/after-edits.png"
# A/B: slot B holds factory program 0.
lines_before_ab=$(wc -l < "$log")
xdotool mousemove $ab_x $ab_y click 1
sleep 0.5
import -window root "$out/after-ab.png"
kill -TERM $pid
wait $pid || fail "the host did not exit cleanly"
trap - EXIT

# Automation seen by the host, in order.
autos() { awk -v p="$1" '$1 == "automate" && $2 == p { print $3 }' "$log"; }

# Each move sends one automation; moves that arrive between two idle calls are merged,
# so a step may be skipped, but every value lies on the knob's grid, they run one way,
# and the drag ends exactly 30 (or, with Shift, 10 fine) steps away.
check_drag() {  # index, count of values belonging to the drag, step, direction, final
  autos "$1" | awk -v n="$2" -v step="$3" -v dir="$4" -v final="$5" '
    NR > n { exit }
    { k = $1 / step; if (k - int(k + 0.5) > 1e-3 || int(k + 0.5) - k > 1e-3) bad = "off grid: " $1
      if (NR > 1 && (($1 - last) * dir) <= 0) bad = "not monotonic at " $1
      last = $1; count = NR }
    END { if (bad != "") { print bad; exit 1 }
          if (last != final) { print "ended at " last ", expected " final; exit 1 } }'
}
t_count=$(autos 0 | awk '$1 >= 0.7 && $1 < 1 { n++ } END { print n + 0 }')
check_drag 0 "$t_count" 0.01 -1 0.700000 || fail "Threshold drag"
r_count=$(autos 3 | awk '$1 > 0.5 && $1 <= 0.51 { n++ } END { print n + 0 }')
check_drag 3 "$r_count" 0.001 1 0.510000 || fail "Ratio shift-drag"
[ "$t_count" -ge 20 ] || fail "the Threshold drag sent only $t_count automations"

[ "$(autos 4 | head -1)" = "0.000000" ] || fail "Ctrl-click on Attack did not send 0"
[ "$(autos 1 | head -2 | tr '\n' ' ')" = "0.000000 1.000000 " ] || fail "Auto-Gain clicks"
[ "$(autos 9 | head -1)" = "0.500000" ] || fail "the Smooth 2 arrow did not send 0.5"

# After A/B every parameter arrives with the value of factory program 0.
ab=$(awk -v from="$lines_before_ab" 'NR > from && $1 == "automate" { n++ } END { print n + 0 }' "$log")
[ "$ab" -ge 25 ] || fail "A/B sent $ab parameter values, expected 25"
awk '$1 == "param" && $2 == 0 { v = $3 } END { exit !(v == 1.0) }' "$log" || fail "Threshold after A/B"
awk '$1 == "param" && $2 == 4 { v = $3 } END { exit !(v == 0.5) }' "$log" || fail "Attack after A/B"

# The screen changed where the Threshold knob and the Auto-Gain lamp are.
crop() { convert "$1" -crop "$2" +repage -format '%#' info:; }
[ "$(crop "$out/before.png" 52x52+366+84)" != "$(crop "$out/after-edits.png" 52x52+366+84)" ] ||
  fail "the Threshold knob's picture did not change"
red=$(convert "$out/after-edits.png" -format "%[fx:int(255*p{$autogain_x,$autogain_y}.r)]" info:)
[ "$red" -gt 120 ] || fail "the Auto-Gain lamp is not lit after switching it on again (red $red)"
echo "editor end-to-end: all checks passed"
