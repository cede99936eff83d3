#!/usr/bin/env bash
# The exact solver on the Kanban model (bench/models/kanban.yaml, after
# Ciardo and Tilgner): for each experiment, the tangible markings and
# transitions, the exploration's and the steady-state solution's time (wall
# clock and processor) and peak memory, as medians of several runs.
#
# Usage: bench/solver_bench.sh [build-dir] [runs] [experiment...]
#
# The experiments are kanban-solve's -e numbers: 3 is 4 cards per cell
# (454,475 markings, 3,979,850 transitions), 4 is 5 cards (2,546,432
# markings, 24,460,016 transitions); by default both. The machine's load
# average is shown before and after: on a shared machine the wall-clock
# times grow with the load, the processor times much less.
set -euo pipefail
build=${1:-build}
runs=${2:-3}
shift $(($# < 2 ? $# : 2))
experiments=("$@")
[ ${#experiments[@]} -gt 0 ] || experiments=(3 4)
solver=$build/kanban-solve
# kanban-solve is outside the default targets: bring it up to date first.
cmake --build "$build" --target kanban-solve > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-4s %10s %12s %20s %20s %12s %9s %20s\n' "-e" markings transitions \
  "explore s (proc)" "solve s (proc)" "explore MB" "peak MB" "total s (proc)"
for experiment in "${experiments[@]}"; do
  for f in ew ep sw sp em pm tw tp; do : > "$work/$f"; done
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$solver" -e "$experiment" > "$work/log"
    # "State space: N tangible markings, T transitions, ...; explored in W s
    # (processor P s), peak memory M MB"
    read -r markings transitions < <(sed -n 's/^State space: \([0-9]*\) tangible markings, \([0-9]*\) transitions.*/\1 \2/p' "$work/log")
    sed -n 's/^State space: .*explored in \([0-9.]*\) s (processor \([0-9.]*\) s), peak memory \([0-9.]*\) MB.*/\1 \2 \3/p' "$work/log" |
      { read -r w p m; echo "$w" >> "$work/ew"; echo "$p" >> "$work/ep"; echo "$m" >> "$work/em"; }
    sed -n 's/^Steady state: .*; \([0-9.]*\) s (processor \([0-9.]*\) s)$/\1 \2/p' "$work/log" |
      { read -r w p; echo "$w" >> "$work/sw"; echo "$p" >> "$work/sp"; }
    read -r wall user system kilobytes < "$work/time"
    echo "$wall" >> "$work/tw"
    awk -v u="$user" -v s="$system" 'BEGIN { print u + s }' >> "$work/tp"
    awk -v k="$kilobytes" 'BEGIN { printf "%.1f\n", k / 1024 }' >> "$work/pm"
  done
  printf '%-4s %10s %12s %20s %20s %12s %9s %20s\n' "$experiment" "$markings" "$transitions" \
    "$(median < "$work/ew") ($(median < "$work/ep"))" "$(median < "$work/sw") ($(median < "$work/sp"))" \
    "$(median < "$work/em")" "$(median < "$work/pm")" "$(median < "$work/tw") ($(median < "$work/tp"))"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
