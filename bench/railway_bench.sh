#!/usr/bin/env bash
# Throughput and memory of the railway model: experiments 1 and 11 (indices
# 0 and 10) for a fixed number of replications, each run several times.
# Prints the medians of replications per second and firings per second (over
# the simulation loop's processor time) and the peak resident memory.
#
# Usage: bench/railway_bench.sh [build-dir] [replications] [runs] [simulator...]
#
# Without simulators it measures every railway simulator of the build
# (movingblock-sim, and railway-sim generated from Models/railway.yaml), the
# runs of the simulators taking turns, so that they share the machine's
# conditions alike.
set -euo pipefail
build=${1:-build}
reps=${2:-1000}
runs=${3:-5}
shift $(($# < 3 ? $# : 3))
sims=("$@")
if [ ${#sims[@]} -eq 0 ]; then
  for name in movingblock-sim railway-sim; do
    [ -x "$build/$name" ] && sims+=("$build/$name")
  done
fi
[ ${#sims[@]} -gt 0 ] || { echo "no simulator in $build (build first)" >&2; exit 1; }
for sim in "${sims[@]}"; do
  [ -x "$sim" ] || { echo "no simulator at $sim (build first)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-18s %-12s %6s %14s %16s %12s\n' simulator experiment reps "reps/s" "firings/s" "peak MB"
for experiment in 0 10; do
  for s in "${!sims[@]}"; do : > "$work/rates$s"; : > "$work/firings$s"; : > "$work/memory$s"; done
  for _ in $(seq "$runs"); do
    for s in "${!sims[@]}"; do
      /usr/bin/time -f '%M' -o "$work/time" "${sims[$s]}" -e "$experiment" -N "$reps" -a "$work/out.txt" > "$work/log" 2>/dev/null
      cpu=$(sed -n 's/^CPU time (s): //p' "$work/log")
      fired=$(sed -n 's/^Actions fired: //p' "$work/log")
      awk -v r="$reps" -v c="$cpu" 'BEGIN { print r / c }' >> "$work/rates$s"
      awk -v f="$fired" -v c="$cpu" 'BEGIN { print f / c }' >> "$work/firings$s"
      awk '{ print $1 / 1024 }' "$work/time" >> "$work/memory$s"
    done
  done
  for s in "${!sims[@]}"; do
    printf '%-18s %-12s %6d %14.1f %16.0f %12.1f\n' "$(basename "${sims[$s]}")" "$((experiment + 1))" "$reps" \
      "$(median < "$work/rates$s")" "$(median < "$work/firings$s")" "$(median < "$work/memory$s")"
  done
done
