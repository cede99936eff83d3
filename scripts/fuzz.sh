#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz with clang in build-fuzz
# (AddressSanitizer and UndefinedBehaviorSanitizer on, -DMB_FUZZ=ON) and runs
# each for SECONDS seconds (default 30), starting from its seeds in
# tests/fuzz/corpus/<name>. Inputs it finds go to build-fuzz/corpus, never
# into the seeds. Fails when a harness crashes, leaks, hangs (10 s on one
# input) or trips a sanitizer; the input that did it is kept in
# build-fuzz/artifacts and the report in build-fuzz/<name>.log.
# Usage: scripts/fuzz.sh [SECONDS]   (FUZZ_BUILD=dir to build elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${FUZZ_BUILD:-build-fuzz}
jobs=$(nproc 2>/dev/null || echo 2)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DMB_FUZZ=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$jobs" --target fuzzers

mkdir -p "$build/artifacts"
failed=()
for harness in "$build"/fuzz/fuzz_*; do
  name=${harness##*/fuzz_}
  mkdir -p "$build/corpus/$name"
  echo "fuzz: $name for $seconds s"
  if "$harness" "$build/corpus/$name" "tests/fuzz/corpus/$name" -max_total_time="$seconds" -timeout=10 \
       -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
       >"$build/$name.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$name.log")
    echo "fuzz: $name: $runs runs, no crash"
  else
    tail -n 30 "$build/$name.log"
    echo "fuzz: $name FAILED (report in $build/$name.log, input in $build/artifacts)"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}"
  exit 1
fi
