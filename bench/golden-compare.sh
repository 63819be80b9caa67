#!/usr/bin/env bash
# Renders a matrix of settings through the plug-in as built at an earlier revision and as
# built now, with the same renderer and the same dither seed, and compares the samples bit
# for bit: the check that a change meant to keep the output (a faster signal path, a
# refactor) keeps it.
#
#   bench/golden-compare.sh REVISION [--build-dir DIR] [--renderer PATH]
#
# REVISION is built in a temporary worktree (only the plug-in binary). DIR (default
# build/release) holds the current Tarvo.so and host/tarvo-render, used as they are
# (--renderer: another tarvo-render binary, the same for both sides). The
# matrix: every factory program at 44.1 and 96 kHz in blocks of 64, 511 and 4096 frames;
# each release type and link mode, every filter on, and the expanders, on program material,
# silence and a full-scale square. Exit status 1 if any output differs.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
[[ $# -ge 1 ]] || { sed -n '2,14s/^# \{0,1\}//p' "$0"; exit 2; }
rev="$1"
shift
build="$root/build/release"
render=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    --build-dir) build="$2"; shift 2 ;;
    --renderer) render="$2"; shift 2 ;;
    *) echo "golden-compare.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
[[ -n "$render" ]] || render="$build/host/tarvo-render"
for f in "$render" "$build/Tarvo.so"; do
  [[ -f "$f" ]] || { echo "golden-compare.sh: missing $f" >&2; exit 1; }
done

work="$(mktemp -d)"
tree="$work/tree"
cleanup() {
  git -C "$root" worktree remove --force "$tree" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "# building the plug-in at $rev"
git -C "$root" worktree add --detach "$tree" "$rev" >/dev/null
cmake --preset release -S "$tree" -B "$tree/build" -DTARVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$tree/build" -j2 --target Tarvo >/dev/null
old="$tree/build/Tarvo.so"

# Inputs: 4 s of program material (tones under noise bursts, a quiet and a loud half),
# silence and a full-scale 100 Hz square, as 32-bit float WAV at 44.1 and 96 kHz.
python3 - "$work" <<'EOF'
import math, random, struct, sys
def wav(path, rate, left, right):
    n = len(left)
    data = b"".join(struct.pack("<ff", l, r) for l, r in zip(left, right))
    fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    open(path, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
for rate in (44100, 96000):
    rng = random.Random(7)
    n = rate * 4
    beat = rate // 4
    prog_l, prog_r = [], []
    for i in range(n):
        t = i / rate
        loud = 0.15 if i < n // 2 else 0.7
        burst = math.exp(-(i % beat) / (0.03 * rate))
        tone = 0.4 * math.sin(2 * math.pi * 55 * t) + 0.2 * math.sin(2 * math.pi * 440 * t)
        prog_l.append(loud * (tone + burst * rng.uniform(-1, 1)))
        prog_r.append(loud * (0.9 * tone + burst * rng.uniform(-1, 1)))
    wav(f"{sys.argv[1]}/program-{rate}.wav", rate, prog_l, prog_r)
    wav(f"{sys.argv[1]}/silence-{rate}.wav", rate, [0.0] * rate, [0.0] * rate)
    sq = [1.0 if (i * 200 // rate) % 2 == 0 else -1.0 for i in range(rate)]
    wav(f"{sys.argv[1]}/square-{rate}.wav", rate, sq, sq)
EOF

# The sample data of a WAV file (the PEAK chunk of a float file carries its write time).
samples() {
  python3 - "$1" <<'EOF'
import hashlib, struct, sys
b = open(sys.argv[1], "rb").read()
i = 12
while i + 8 <= len(b):
    tag, size = b[i:i + 4], struct.unpack("<I", b[i + 4:i + 8])[0]
    if tag == b"data":
        print(hashlib.sha256(b[i + 8:i + 8 + size]).hexdigest())
        break
    i += 8 + size + (size & 1)
EOF
}

# Each case: input;block;arguments of tarvo-render (separated by ;).
cases=()
for p in $(seq 0 24); do
  for rate in 44100 96000; do
    for block in 64 511 4096; do cases+=("program-$rate;$block;-p;$p"); done
  done
done
for type in Opto Pumper "Smooth 2" "Smooth 1" Classic; do
  for link in Highest Mix Off; do
    cases+=("program-44100;512;-p;13;-s;Release Type=$type;-s;Stereo Link=$link")
  done
done
for input in program silence square; do
  for p in 3 13 20 21; do
    cases+=("$input-44100;256;-p;$p;-s;Input Filter=On;-s;Det. Filter=On;-s;Det. EQ=On;-s;EQ Low=12;-s;EQ Mid=-8;-s;EQ High=6")
  done
done

differ=0
for c in "${cases[@]}"; do
  IFS=';' read -r -a parts <<<"$c"
  input="${parts[0]}"
  block="${parts[1]}"
  args=("${parts[@]:2}")
  for side in old new; do
    plugin="$old"
    [[ $side == new ]] && plugin="$build/Tarvo.so"
    "$render" --plugin "$plugin" --seed 12345 --no-loudness -b "$block" -f wavf "${args[@]}" \
      "$work/$input.wav" "$work/$side.wav" >/dev/null
  done
  if [[ "$(samples "$work/old.wav")" != "$(samples "$work/new.wav")" ]]; then
    echo "DIFFERS: $input, block $block, ${args[*]}"
    differ=$((differ + 1))
  fi
done
echo "# ${#cases[@]} renders compared with $rev: $differ differ"
[[ $differ -eq 0 ]]
