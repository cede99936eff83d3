#!/usr/bin/env bash
# Coverage of the study tool's confidence intervals: runs the railway study
# of each chosen experiment many times with independent seeds (the tool's
# default stop rule, so the sequential stopping is part of what is
# measured), and counts per window how often the interval contains the
# mean of one long run of the simulator. Prints per window the long-run
# mean, the coverage in percent with its binomial standard error, and the
# median replications of the studies.
# Then the same for a rare probability with a closed form (the chance that
# a component failing at rate 0.002 and repaired at rate 1 is down at
# t = 1 and t = 5, about 0.0013 and 0.0020; build/rare-outage-sim, built
# with the tests): the studies ask for an absolute precision of 0.0005, and
# the count of those that ended "converged" at 0 is printed too.
# Usage: bench/study_coverage.sh [build-dir] [studies] [long-run replications] [experiment indices...]
# e.g. bench/study_coverage.sh build 200 40000 6 9   (some 15 minutes on two cores)
# RARE_ONLY=1 skips the railway.
set -euo pipefail
build=${1:-build}
studies=${2:-200}
long=${3:-40000}
shift $(( $# > 3 ? 3 : $# ))
experiments=("$@")
[ ${#experiments[@]} -gt 0 ] || experiments=(6 9)
sim="$build/movingblock-sim"
tool="$build/movingblock-study"
[ -x "$sim" ] && [ -x "$tool" ] || { echo "no simulator or study tool in $build (build first)" >&2; exit 1; }
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ "${RARE_ONLY:-0}" = 1 ] && experiments=()
for experiment in "${experiments[@]}"; do
  # The long run: a seed no study uses (study seeds are 1 .. studies).
  "$sim" -e "$experiment" -s 987654321 -N "$long" -a "$work/long$experiment.txt" > /dev/null 2>&1
  awk -F, '!/^#/ { s[$1] += $2; n[$1]++ } END { for (w in s) printf "%d %.17g\n", w, s[w] / n[w] }' \
    "$work/long$experiment.txt" | sort -n > "$work/truth$experiment"
  rm "$work/long$experiment.txt"
  seq "$studies" | xargs -P "$jobs" -I{} "$tool" -e "$experiment" -s {} -j 1 --quiet -o "$work/study$experiment-{}" \
    > /dev/null 2>&1 || true  # exit status 2 (precision missed) is a result here
  for dir in "$work/study$experiment"-*; do
    grep -v -e '^#' -e '^experiment,' "$dir/study.csv"
  done > "$work/rows$experiment"
  echo "experiment index $experiment: $studies studies (seeds 1-$studies) against $long replications (seed 987654321)"
  # Split at every comma, the one inside the quoted measure label "[0, T]"
  # too: field 7 is then the replications, 17 and 18 the bounds. The row's
  # position among a study's 13 gives the PV index.
  awk -v truthFile="$work/truth$experiment" -v studies="$studies" '
    BEGIN { while ((getline line < truthFile) > 0) { split(line, f, " "); truth[f[1]] = f[2] } }
    {
      split($0, c, ",")
      w = (NR - 1) % 13
      label[w] = "[0, " (100 + 50 * w) "]"
      lower = c[17]; upper = c[18]
      hit[w] += (lower != "" && upper != "" && lower + 0 <= truth[w] && truth[w] <= upper + 0)
      count[w]++
      if (w == 0) print c[7] > repsFile
    }
    END {
      printf "%-12s %12s %10s %8s\n", "window", "long mean", "coverage", "se"
      for (w = 0; w < 13; w++) {
        p = hit[w] / count[w]
        printf "%-12s %12.6f %9.1f%% %7.1f%%\n", label[w], truth[w], 100 * p, 100 * sqrt(p * (1 - p) / count[w])
      }
    }' repsFile="$work/reps$experiment" "$work/rows$experiment"
  echo "median replications per study: $(sort -n "$work/reps$experiment" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')"
  echo
done

rare="$build/rare-outage-sim"
if [ ! -x "$rare" ]; then
  echo "no $rare: the rare probability is left out (build the tests first)" >&2
  exit 0
fi
seq "$studies" | xargs -P "$jobs" -I{} "$build/san-study" --simulator "$rare" -s {} -j 1 --streams 1 \
  --abs-precision 0.0005 --max-reps 1000000 -n 1000 --quiet -o "$work/outage-{}" > /dev/null 2>&1 || true
for dir in "$work"/outage-*; do
  grep -v -e '^#' -e '^experiment,' "$dir/study.csv"
done > "$work/rare-rows"
echo "rare probability: $studies studies (seeds 1-$studies), --abs-precision 0.0005, against the closed form"
# Fields: 6 status, 7 replications, 12 the time point, 13 the mean, 16 and
# 17 the bounds.
awk -F, '
  function outage(t) { return 0.002 / 1.002 * (1 - exp(-1.002 * t)) }
  {
    t = $12; truth = outage(t)
    hit[t] += ($16 != "" && $17 != "" && $16 + 0 <= truth && truth <= $17 + 0)
    count[t]++
    zero[t] += ($6 == "converged" && $13 + 0 == 0)
    reps[t] += $7
  }
  END {
    printf "%-12s %12s %10s %8s %16s %14s\n", "time point", "exact", "coverage", "se", "converged at 0", "mean reps"
    for (t in count) {
      p = hit[t] / count[t]
      printf "t = %-8s %12.6f %9.1f%% %7.1f%% %16d %14.0f\n", t, outage(t), 100 * p, 100 * sqrt(p * (1 - p) / count[t]), zero[t], reps[t] / count[t]
    }
  }' "$work/rare-rows"
