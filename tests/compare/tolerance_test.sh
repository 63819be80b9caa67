#!/bin/sh
# The render comparison of the Windows stage is only worth something if its default limits
# are tight: two renders with the same settings differ by the clock-seeded dither noise alone
# and must pass; a parameter half a decibel off, another release type, or the same samples
# processed at a wrong sample rate must fail.
#   tolerance_test.sh TARVO_RENDER TARVO_AUDIO_COMPARE
set -eu
render="$1"
compare="$2"
dir="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-compare.XXXXXX")"
trap 'rm -rf "$dir"' EXIT
failures=0

"$compare" signal "$dir/in.wav" >/dev/null
"$compare" signal "$dir/in-as-48k.wav" --as-rate 48000 >/dev/null

# render INPUT OUTPUT [settings...]: the program and settings the Windows stage compares,
# followed by any changes (later --set values win).
render() {
  in="$1"
  out="$2"
  shift 2
  if ! "$render" "$dir/$in" "$dir/$out" --program "Mix Down" --set "Threshold=-24" \
      --set "Release Type=Opto" "$@" >"$dir/render.log" 2>&1; then
    cat "$dir/render.log"
    exit 1
  fi
}

expect() {  # expect pass|fail LABEL REFERENCE CANDIDATE [options]
  want="$1"
  label="$2"
  a="$3"
  b="$4"
  shift 4
  if "$compare" compare "$dir/$a" "$dir/$b" --label "$label" "$@"; then got=pass; else got=fail; fi
  if [ "$got" != "$want" ]; then
    echo "FAILED: '$label' should $want the comparison"
    failures=$((failures + 1))
  fi
}

render in.wav a.wav
render in.wav b.wav
render in.wav threshold.wav --set "Threshold=-24.5"
render in.wav release.wav --set "Release Type=Smooth 1"
render in-as-48k.wav rate.wav

expect pass "same settings, two runs" a.wav b.wav
expect fail "Threshold -24.5 instead of -24 dB" a.wav threshold.wav
expect fail "Release Type Smooth 1 instead of Opto" a.wav release.wav
expect fail "processed at 48000 instead of 44100 Hz" a.wav rate.wav --ignore-rate
expect fail "the same without --ignore-rate" a.wav rate.wav

[ "$failures" -eq 0 ] || exit 1
echo "the limits tell a second run from a wrong parameter or sample rate"
