#!/bin/sh
# Builds the libFuzzer targets with clang (preset "fuzz": ASan + UBSan) and runs each for a
# bounded time over its committed seed corpus. A crash, sanitizer report, leak, timeout or
# broken invariant fails the script; the input that caused it is copied into the fuzzer's
# corpus (tests/fuzz/corpus/<name>/crash-*) to be committed as a regression case.
#
# Usage: scripts/fuzz.sh [SECONDS_PER_FUZZER] [NAME ...]
#   SECONDS_PER_FUZZER defaults to $TARVO_FUZZ_SECONDS or 60; NAME is one of dispatcher,
#   audio, dib_block, set_parser (all by default). New inputs found on the way are kept in
#   build/fuzz/corpus-new/<name>/ (merge them into the corpus with -merge=1 when useful).
set -eu
cd "$(dirname "$0")/.."

seconds="${1:-${TARVO_FUZZ_SECONDS:-60}}"
[ "$#" -gt 0 ] && shift
names="${*:-dispatcher audio dib_block set_parser}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

bin=build/fuzz/tests/fuzz
work=build/fuzz/corpus-new
crashes=build/fuzz/crashes
mkdir -p "$crashes"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=""
for name in $names; do
  corpus="tests/fuzz/corpus/$name"
  mkdir -p "$work/$name" "$corpus"
  rm -f "$crashes/$name"-*
  echo "=== fuzz_$name: ${seconds} s ==="
  # New inputs go to the scratch directory (listed first); the committed corpus is read.
  # -timeout: one input running longer than that counts as a hang.
  if "$bin/fuzz_$name" "$work/$name" "$corpus" \
      -max_total_time="$seconds" -timeout=25 -rss_limit_mb=3072 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$crashes/$name-" \
      >"$crashes/$name.log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
      "$crashes/$name.log" || true
    grep -E 'DONE +cov:' "$crashes/$name.log" | tail -1 || true
    # The fuzzer's own count at exit: executions and instances run more than 1000 blocks.
    grep -E '^fuzz_[a-z_]+: [0-9]+ executions' "$crashes/$name.log" | tail -1 || true
  else
    tail -60 "$crashes/$name.log"
    for artifact in "$crashes/$name"-*; do
      [ -f "$artifact" ] || continue
      kept="$corpus/$(basename "$artifact" | sed "s/^$name-//")"
      cp "$artifact" "$kept"
      echo "fuzz_$name: input kept as regression case $kept"
    done
    failed="$failed $name"
  fi
done

if [ -n "$failed" ]; then
  echo "Fuzzing failed:$failed" >&2
  exit 1
fi
echo "Fuzzing passed ($names, ${seconds} s each)."
