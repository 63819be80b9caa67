#!/usr/bin/env bash
# The LV2 part of bench/compare-peers.sh (--lv2): lv2bench runs Tarvo.lv2 from BUILD_DIR,
# x42 darc stereo and LSP Compressor Stereo in turns, ROUNDS times, over SECONDS of audio
# at 48 kHz in 512-frame blocks; prints the median ns per stereo frame and the ratios.
#   bench/lv2-peers.sh BUILD_DIR ROUNDS SECONDS
set -euo pipefail

build=$1 rounds=$2 seconds=$3
tarvo=urn:velmora:tarvo
darc=http://gareus.org/oss/lv2/darc#stereo
lsp=http://lsp-plug.in/plugins/lv2/compressor_stereo
frames=$((seconds * 48000 / 512 * 512))

command -v lv2bench >/dev/null || { echo "lv2-peers.sh: lv2bench is missing (apt-get install lilv-utils)" >&2; exit 3; }
[[ -f "$build/Tarvo.lv2/manifest.ttl" ]] || { echo "lv2-peers.sh: no bundle in $build/Tarvo.lv2" >&2; exit 1; }
# Tarvo.lv2 alone in a folder of its own, then the system's bundles.
path=$(mktemp -d)
trap 'rm -rf "$path"' EXIT
ln -s "$(cd "$build/Tarvo.lv2" && pwd)" "$path/Tarvo.lv2"
export LV2_PATH="$path:/usr/lib/lv2"
for uri in $darc $lsp; do
  lv2ls | grep -xF "$uri" >/dev/null || {
    echo "lv2-peers.sh: $uri is not installed (apt-get install x42-plugins lsp-plugins-lv2)" >&2
    exit 3
  }
done

# One lv2bench run: its seconds for FRAMES frames, as ns per frame.
ns_per_frame() {
  lv2bench -n "$frames" -b 512 "$1" | awk -v n="$frames" -v u="$1" \
    '$2 == u { printf "%.2f\n", $1 * 1e9 / n; found = 1 } END { exit !found }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "# $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores"
echo "# lv2bench $(lv2bench --version | head -n 1 | awk '{print $NF}'): $frames frames, 512-frame blocks, 48 kHz, every plug-in at its defaults, $rounds rounds in turns"
echo "# load at start: $(uptime)"
declare -A runs=()
for ((r = 0; r < rounds; r++)); do
  for uri in $tarvo $darc $lsp; do
    runs[$uri]+="$(ns_per_frame "$uri") "
  done
done
declare -A med=()
for uri in $tarvo $darc $lsp; do
  med[$uri]=$(tr ' ' '\n' <<<"${runs[$uri]}" | grep . | median)
done
printf '%-50s %10s %10s\n' "plug-in (LV2)" "ns/frame" "Tarvo/it"
for uri in $tarvo $darc $lsp; do
  printf '%-50s %10.2f %10.2f\n' "$uri" "${med[$uri]}" \
    "$(awk -v a="${med[$tarvo]}" -v b="${med[$uri]}" 'BEGIN { print a / b }')"
done
echo "# load at end:   $(uptime)"
