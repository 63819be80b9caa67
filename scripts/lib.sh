# shellcheck shell=sh
# Shared helpers of the stage scripts and .ci/run, sourced with `. scripts/lib.sh` from the
# repository root. Plain POSIX sh, since .ci/run and some stages run under dash; it sets no
# shell options, so each script keeps its own (set -e, -u, pipefail) as it declares them.
#
#   banner LINE...       a loud notice, for what must not drown in a long log
#   phase NAME           a stage header with the time since the start; `phase ""` closes
#                        the last one. $phase_summary lists how long each stage took.
#   elapsed              whole seconds since this file was sourced
#   retry N DELAY CMD... CMD until it succeeds, at most N times

stage_started=$(date +%s)

elapsed() {
  echo "$(($(date +%s) - stage_started))"
}

banner() {
  echo "########################################################################"
  for banner_line in "$@"; do echo "# $banner_line"; done
  echo "########################################################################"
}

# phase NAME: prints "=== NAME (T s) ===" with T the seconds since the start, and adds the
# stage before it to $phase_summary, one "  NAME  N s" line each, for the script's last
# message.
phase_name=""
phase_start=$stage_started
phase_summary=""
phase() {
  phase_now=$(date +%s)
  if [ -n "$phase_name" ]; then
    phase_summary="$phase_summary$(printf '\n  %-46s %5d s' "$phase_name" \
      $((phase_now - phase_start)))"
  fi
  phase_name=$1
  phase_start=$phase_now
  if [ -n "$1" ]; then echo "=== $1 ($(elapsed) s) ==="; fi
}

# retry N DELAY CMD...: runs CMD until it succeeds, at most N times, DELAY seconds apart.
# Answers 0 at the first success, else the last try's exit status. CMD runs in this shell,
# so it can set variables for its caller or end the script (a failure no retry can mend);
# it says itself why a try failed. A CMD that finds no point in trying further (no time
# left) just fails at once: with DELAY 0 its remaining tries cost nothing.
retry() {
  retry_left=$1
  retry_delay=$2
  shift 2
  while :; do
    retry_status=0
    "$@" || retry_status=$?
    [ "$retry_status" -ne 0 ] || return 0
    retry_left=$((retry_left - 1))
    [ "$retry_left" -gt 0 ] || return "$retry_status"
    [ "$retry_delay" = 0 ] || sleep "$retry_delay"
  done
}
