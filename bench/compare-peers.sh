#!/usr/bin/env bash
# Tarvo next to LSP Compressor Stereo (Debian package lsp-plugins-vst) through the same host
# program in one run: per case, CPU ns per stereo frame of each plug-in, median of several
# rounds in which the two take turns, and the ratio Tarvo/LSP. LSP runs at its defaults.
#
#   bench/compare-peers.sh [--build-dir DIR] [--rounds N] [--seconds S] [--tarvo-only]
#                          [--verbose]
#   bench/compare-peers.sh --lv2 [--build-dir DIR] [--rounds N] [--seconds S]
#
# With --lv2: lilv's lv2bench (Debian lilv-utils) runs Tarvo.lv2, x42 darc stereo
# (x42-plugins) and LSP Compressor Stereo LV2 (lsp-plugins-lv2) in turns, each at its
# defaults on lv2bench's material (silence at 48 kHz, 512-frame blocks; 60 s unless
# --seconds says otherwise), and prints the median ns per stereo frame of each and the
# ratios of Tarvo to the two peers.
#
# Without --build-dir: configures build/peers (preset "release") if needed and builds
# tarvo_peer_bench and Tarvo there. With --build-dir: uses DIR/Tarvo.so and
# DIR/bench/tarvo_peer_bench as they are (nothing is built). --tarvo-only measures Tarvo
# alone; otherwise a missing LSP binary is an error (exit 3). The machine load (uptime) is
# printed before and after the run: compare runs only at similar load.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=""
args=()
tarvo_only=0
lv2=0
rounds=7
seconds=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    --build-dir) build="$2"; shift 2 ;;
    --rounds) rounds="$2"; args+=("$1" "$2"); shift 2 ;;
    --seconds) seconds="$2"; args+=("$1" "$2"); shift 2 ;;
    --lv2) lv2=1; shift ;;
    --tarvo-only) tarvo_only=1; args+=("$1"); shift ;;
    --verbose) args+=("$1"); shift ;;
    -h|--help) sed -n '2,20s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "compare-peers.sh: unknown argument '$1' (see --help)" >&2; exit 2 ;;
  esac
done

if [[ -z "$build" ]]; then
  build="$root/build/peers"
  if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake --preset release -S "$root" -B "$build" -DTARVO_WERROR=ON >/dev/null
  fi
  cmake --build "$build" -j2 --target tarvo_peer_bench Tarvo tarvo_lv2 >/dev/null
fi

if [[ $lv2 -eq 1 ]]; then
  # lv2bench times one pass per run: a minute of audio keeps the timer's share small.
  exec "$root/bench/lv2-peers.sh" "$build" "$rounds" "${seconds:-60}"
fi
for f in "$build/Tarvo.so" "$build/bench/tarvo_peer_bench"; do
  [[ -f "$f" ]] || { echo "compare-peers.sh: missing $f" >&2; exit 1; }
done

if [[ $tarvo_only -eq 0 ]]; then
  lsp=/usr/lib/vst/lsp-plugins/compressor-stereo.so
  if [[ ! -f "$lsp" ]]; then
    lsp="$(dpkg -L lsp-plugins-vst 2>/dev/null | grep -i '/compressor-stereo\.so$' | head -n1 || true)"
  fi
  if [[ -z "$lsp" || ! -f "$lsp" ]]; then
    echo "compare-peers.sh: LSP Compressor Stereo not found; install it with" \
         "'apt-get install lsp-plugins-vst', or pass --tarvo-only" >&2
    exit 3
  fi
  args+=(--peer "$lsp")
fi

echo "# $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores"
echo "# Tarvo: $build/Tarvo.so"
[[ $tarvo_only -eq 1 ]] || echo "# LSP:   $lsp"
echo "# load at start: $(uptime)"
"$build/bench/tarvo_peer_bench" --tarvo "$build/Tarvo.so" "${args[@]}"
echo "# load at end:   $(uptime)"
