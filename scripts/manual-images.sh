#!/bin/sh
# Regenerates the pictures of the user manual (docs/manual-images/*.png) from the editor's
# snapshot command: whole panels, the panel's sections, and transfer curves.
#   scripts/manual-images.sh             builds the release preset's tarvo-render if needed
#   TARVO_BUILD_DIR=build/x scripts/manual-images.sh     uses the renderer of another build
# Needs ImageMagick (convert) for the cut-outs.
set -eu
cd "$(dirname "$0")/.."

build="${TARVO_BUILD_DIR:-build/release}"
if [ -z "${TARVO_BUILD_DIR:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target tarvo-render
fi
render="$build/host/tarvo-render"
[ -x "$render" ] || { echo "error: $render not built" >&2; exit 1; }

out=docs/manual-images
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
rm -f "$out"/*.png

snap() {  # snap FILE [tarvo-render options...]
  file=$1
  shift
  "$render" --snapshot "$file" "$@" >/dev/null
}
cut() {  # cut SOURCE WIDTHxHEIGHT+X+Y DEST: a region of a panel picture
  convert "$1" -crop "$2" +repage -strip "$3"
}

# The whole panel: a vocal being compressed, and the first program at rest.
snap "$out/panel-vocal.png" --program "Vocal" --set "Threshold=-24" --meters=-9,-12,-7.6
snap "$out/panel-full-reset.png" --program "Full Reset"

# The sections, cut from a program that lights most lamps.
snap "$tmp/sections.png" --program "Leveling Opto" --set "Threshold=-20" --meters=-6,-8,-5
cut "$tmp/sections.png" 253x205+3+55 "$out/section-display.png"
cut "$tmp/sections.png" 387x208+257+55 "$out/section-main.png"
cut "$tmp/sections.png" 194x113+3+261 "$out/section-input.png"
cut "$tmp/sections.png" 441x113+202+261 "$out/section-envelope.png"
cut "$tmp/sections.png" 194x112+3+373 "$out/section-transfer.png"
cut "$tmp/sections.png" 441x112+202+373 "$out/section-detector.png"

# Meters with an expanding setting: the green gain bar grows up from the bottom.
snap "$tmp/expanding.png" --program "Expander 1" --set "Threshold=-30" --meters=-24,-20,3.6
cut "$tmp/expanding.png" 253x205+3+55 "$out/meters-expanding.png"

# Transfer curves: 4:1 at -20 dB without make-up, then one thing changed at a time.
curve() {  # curve NAME SETTINGS...
  name=$1
  shift
  snap "$tmp/$name.png" --program "Full Reset" --set "Auto-Gain=Off" --set "Threshold=-20" "$@"
  cut "$tmp/$name.png" 156x158+3+62 "$out/curve-$name.png"
}
curve hard-knee --set "Ratio=4:1" --set "Knee=Hard"
curve soft-knee --set "Ratio=4:1" --set "Knee=Soft"
curve linearity --set "Ratio=4:1" --set "Knee=Hard" --set "Linearity=100"
curve limiter --set "Ratio=oo:1" --set "Knee=Hard"
curve expander --set "Ratio=1:2" --set "Knee=Hard"
curve auto-gain --set "Ratio=4:1" --set "Knee=Hard" --set "Auto-Gain=On"

# What a render did: the demo through "Mix Down", drawn by tarvo-render --plot (the same
# noise seed every time, so the picture only changes when the sound does).
"$render" --demo "$tmp/demo.wav" --seed 1 --no-loudness --plot "$out/render-plot.png" >/dev/null

ls -1 "$out"
