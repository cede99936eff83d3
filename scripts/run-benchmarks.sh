#!/usr/bin/env bash
# Runs every micro-benchmark of the engine, then the railway model's
# throughput benchmark, the set-up against the size of models and the
# solver's benchmark (the Kanban model with 4 cards).
# Usage: scripts/run-benchmarks.sh [build-dir]
set -euo pipefail
build=${1:-build}
for bench in "$build"/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" --benchmark_min_time=0.2
done
echo "== railway model"
bench/railway_bench.sh "$build"
echo "== set-up against the size of the farm and the railway"
bench/scale_bench.sh setup "$build"
echo "== exact solver"
bench/solver_bench.sh "$build" 1 3
