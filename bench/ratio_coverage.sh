#!/usr/bin/env bash
# Coverage of the delta-method interval of derived measures: runs the study
# of Models/queue-ratios.yaml (an M/M/1/K queue) many times with independent
# seeds and a fixed number of batches, and counts how often each derived
# measure's interval holds its closed form: the drop fraction
# P(K) = rho^K (1 - rho) / (1 - rho^(K+1)) and the response time
# E[N] / (lambda (1 - P(K))) by Little's law. Prints per experiment and
# measure the exact value, the coverage in percent with its binomial
# standard error, and the mean half-width.
# Usage: bench/ratio_coverage.sh [build-dir] [studies] [batches] [confidence]
# e.g. bench/ratio_coverage.sh build 200 50 0.95   (about a minute on two cores)
set -euo pipefail
build=${1:-build}
studies=${2:-200}
batches=${3:-50}
confidence=${4:-0.95}
sim="$build/queue-ratios-sim"
tool="$build/san-study"
[ -x "$sim" ] && [ -x "$tool" ] || { echo "no $sim or $tool (build first)" >&2; exit 1; }
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Experiments 0 and 1 of the model (experiment 2 sees no drop).
seq "$studies" | xargs -P "$jobs" -I{} "$tool" --simulator "$sim" -e 0,1 -s {} -j 1 --quiet \
  --confidence "$confidence" --min-reps "$batches" --max-reps "$batches" --precision 1e-9 \
  -o "$work/study{}" > /dev/null 2>&1 || true  # exit status 2 (precision missed) is expected
printf "%-28s %12s %10s %8s %12s   (%d studies, %s confidence)\n" "experiment measure" \
  "exact" "coverage" "se" "half-width" "$studies" "$confidence"
for dir in "$work"/study*; do grep -v -e '^#' -e '^experiment,' "$dir/study.csv"; done |
  awk -F, '
    function drop(rho, k) { return rho ^ k * (1 - rho) / (1 - rho ^ (k + 1)) }
    function response(rho, k,    n) {
      n = rho / (1 - rho) - (k + 1) * rho ^ (k + 1) / (1 - rho ^ (k + 1))
      return n / (rho * (1 - drop(rho, k)))
    }
    $9 == "\"dropFraction\"" || $9 == "\"responseTime\"" {
      # The last two fields are lambda and capacity.
      rho = $(NF - 1); k = $NF
      exact = $9 == "\"dropFraction\"" ? drop(rho, k) : response(rho, k)
      key = $1 " " $9
      truth[key] = exact
      hit[key] += ($16 != "" && $17 != "" && $16 + 0 <= exact && exact <= $17 + 0)
      half[key] += $14
      count[key]++
    }
    END {
      for (key in count) {
        p = hit[key] / count[key]
        printf "%-28s %12.6g %9.1f%% %7.1f%% %12.4g\n", key, truth[key], 100 * p, \
          100 * sqrt(p * (1 - p) / count[key]), half[key] / count[key]
      }
    }' | sort
