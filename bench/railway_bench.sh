#!/usr/bin/env bash
# Throughput and memory of the railway model: experiments 1 and 11 (indices
# 0 and 10) for a fixed number of replications, each run several times.
# Prints the medians of replications per second and firings per second (over
# the simulation loop's processor time) and the peak resident memory.
# Usage: bench/railway_bench.sh [build-dir] [replications] [runs]
set -euo pipefail
build=${1:-build}
reps=${2:-1000}
runs=${3:-5}
sim="$build/movingblock-sim"
[ -x "$sim" ] || { echo "no simulator at $sim (build first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-12s %6s %14s %16s %12s\n' experiment reps "reps/s" "firings/s" "peak MB"
for experiment in 0 10; do
  : > "$work/rates"; : > "$work/firings"; : > "$work/memory"
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%M' -o "$work/time" "$sim" -e "$experiment" -N "$reps" -a "$work/out.txt" > "$work/log" 2>/dev/null
    cpu=$(sed -n 's/^CPU time (s): //p' "$work/log")
    fired=$(sed -n 's/^Actions fired: //p' "$work/log")
    awk -v r="$reps" -v c="$cpu" 'BEGIN { print r / c }' >> "$work/rates"
    awk -v f="$fired" -v c="$cpu" 'BEGIN { print f / c }' >> "$work/firings"
    awk '{ print $1 / 1024 }' "$work/time" >> "$work/memory"
  done
  printf '%-12s %6d %14.1f %16.0f %12.1f\n' "$((experiment + 1))" "$reps" \
    "$(median < "$work/rates")" "$(median < "$work/firings")" "$(median < "$work/memory")"
done
