#!/usr/bin/env bash
# The cost of a trace at the highest level (4, plain and XML) on the railway
# simulator: trace bytes and firings per second, and the peak resident
# memory, for a short and a ten times longer run. The trace streams to its
# file as it is written, so the peak memory of the long run stays that of
# the short one.
#
# Usage: bench/trace_bench.sh [build-dir] [replications] [trains]
set -euo pipefail
build=${1:-build}
reps=${2:-3}
trains=${3:-3}
sim=$build/movingblock-sim
[ -x "$sim" ] || { echo "no simulator at $sim (build first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%6s %14s %16s %16s %10s\n' reps "trace MB" "trace MB/s" "firings/s" "peak MB"
for n in "$reps" $((reps * 10)); do
  start=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$work/time" "$sim" -e 0 -N "$n" -O "s:nTrains:$trains" -m -x -l 4 \
    -f "$work/tr" > "$work/log" 2>&1
  end=$(date +%s.%N)
  bytes=$(($(stat -c %s "$work/tr.txt") + $(stat -c %s "$work/tr.xml")))
  fired=$(sed -n 's/^Actions fired: //p' "$work/log")
  awk -v n="$n" -v b="$bytes" -v f="$fired" -v s="$start" -v e="$end" -v m="$(cat "$work/time")" \
    'BEGIN { t = e - s; printf "%6d %14.1f %16.1f %16.0f %10.1f\n", n, b / 1e6, b / 1e6 / t, f / t, m / 1024 }'
  rm -f "$work/tr.txt" "$work/tr.xml"
done
