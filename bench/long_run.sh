#!/usr/bin/env bash
# A long steady-state run: the M/M/1 queue of Models/mm1.yaml (rho = 0.5, one
# firing per unit of time on average) for 50500 batches of 10000 time units,
# past 5e8 firings and a simulated time of 5e8. So far out, the spacing of
# doubles is 6e-8, and every few times 1e8 firings an exponential delay is
# smaller than half of it: such a firing falls on the current time. The run
# must take it as a tie and finish with every batch written.
#
# Prints per simulator the exit status, the firings, the batches written to
# the ASCII file, the processor seconds of the simulation loop and the wall
# time, and says whether the run finished.
#
# Usage: bench/long_run.sh [build-dir] [batches] [seed] [simulator...]
#
# Without simulators it runs the build's mm1-sim; given several (an earlier
# build's, say), it runs each in turn.
set -euo pipefail
build=${1:-build}
batches=${2:-50500}
seed=${3:-1}
shift $(($# < 3 ? $# : 3))
sims=("$@")
[ ${#sims[@]} -gt 0 ] || sims=("$build/mm1-sim")
for sim in "${sims[@]}"; do
  [ -x "$sim" ] || { echo "no simulator at $sim (build first)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-32s %6s %12s %8s %10s %8s  %s\n' simulator status firings batches "cpu s" "wall s" verdict
for sim in "${sims[@]}"; do
  set +e
  start=$(date +%s.%N)
  "$sim" -e 0 -t 0 -N "$batches" -s "$seed" -a "$work/out.txt" > "$work/log" 2> "$work/err"
  status=$?
  end=$(date +%s.%N)
  set -e
  fired=$(sed -n 's/^Actions fired: //p' "$work/log")
  cpu=$(sed -n 's/^CPU time (s): //p' "$work/log")
  written=$(grep -c '^0,' "$work/out.txt" || true)
  wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  if [ "$status" -eq 0 ] && [ "$written" -ge "$batches" ]; then
    verdict="finished"
  else
    verdict="stopped: $(grep -m1 -v '^$' "$work/err" || echo "no message")"
  fi
  printf '%-32s %6s %12s %8s %10s %8s  %s\n' "$sim" "$status" "${fired:--}" "$written" \
    "${cpu:--}" "$wall" "$verdict"
done
