#!/usr/bin/env bash
# Wall time of the study tool on this machine's cores:
# 1. one experiment (index 5 by default) for a fixed number of replications
#    in 1 stream and in 2 streams (--min-reps = --max-reps, so both count
#    the same work): the speed-up of streams;
# 2. the whole railway study at -j 1 and at -j 2 (one stream per experiment
#    in both: the same numbers, run one or two at a time).
# The machine may be shared, so the runs alternate (1, 2, 1, 2, ...) and the
# medians are quoted.
# Usage: bench/study_scaling.sh [build-dir] [runs] [replications] [experiment index]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
reps=${3:-2000}
experiment=${4:-5}
tool="$build/movingblock-study"
[ -x "$tool" ] || { echo "no study tool in $build (build first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Seconds of wall time of one run of the tool (exit status 2, precision
# missed, is a result here).
timed() {
  local begin end
  begin=$(date +%s.%N)
  "$tool" --quiet -o "$work/out" --overwrite "$@" > /dev/null 2>&1 || [ $? -eq 2 ]
  end=$(date +%s.%N)
  awk -v b="$begin" -v e="$end" 'BEGIN { printf "%.3f\n", e - b }'
}

for _ in $(seq "$runs"); do
  timed -e "$experiment" --streams 1 -j 2 --min-reps "$reps" --max-reps "$reps" >> "$work/one-stream"
  timed -e "$experiment" --streams 2 -j 2 --min-reps "$reps" --max-reps "$reps" >> "$work/two-streams"
done
one=$(median < "$work/one-stream")
two=$(median < "$work/two-streams")
echo "experiment index $experiment, $reps replications, median of $runs alternated runs ($(nproc) cores):"
printf '  1 stream   %8.2f s\n  2 streams  %8.2f s   speed-up %.2f\n' "$one" "$two" \
  "$(awk -v a="$one" -v b="$two" 'BEGIN { print a / b }')"

for _ in $(seq "$runs"); do
  timed -j 1 >> "$work/jobs1"
  timed -j 2 >> "$work/jobs2"
done
j1=$(median < "$work/jobs1")
j2=$(median < "$work/jobs2")
echo "the railway study (11 experiments, default stop rule), median of $runs alternated runs:"
printf '  -j 1  %8.2f s\n  -j 2  %8.2f s   speed-up %.2f\n' "$j1" "$j2" "$(awk -v a="$j1" -v b="$j2" 'BEGIN { print a / b }')"
