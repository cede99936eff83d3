#!/usr/bin/env bash
# Cost of models that grow: the farm of N machines sharing one repairer
# (bench/models/farm.yaml, simulator farm-sim) against N, and the railway
# against its number of trains.
#
# Usage: bench/scale_bench.sh setup|firing [build-dir] [runs]
#
#   setup   per size, the processor time of the set-up (the process's user
#           and system time less the run's own "CPU time (s)", one
#           replication) and the peak resident memory, medians of the runs,
#           with the log-log slope of the time from the size before.
#   firing  per size, firings per processor second of the simulation loop
#           over at least FIRINGS firings (default 2000000), median of the
#           runs, and that rate times the size (constant where a firing
#           costs in proportion to the size).
#
# Sizes: FARM_SIZES (default 250 500 1000 2000 4000 8000 16000) and
# TRAIN_SIZES (default 30 60 120 260). With BASE_FARM and/or BASE_RAILWAY
# naming simulators of another build, setup measures them as well, taking
# turns with the build's own (slow ones only up to BASE_MAX_SECONDS per
# run, default 200: larger sizes are left out).
set -euo pipefail
mode=${1:?usage: scale_bench.sh setup|firing [build-dir] [runs]}
build=${2:-build}
runs=${3:-3}
farmSizes=(${FARM_SIZES:-250 500 1000 2000 4000 8000 16000})
trainSizes=(${TRAIN_SIZES:-30 60 120 260})
firings=${FIRINGS:-2000000}
baseMax=${BASE_MAX_SECONDS:-200}

[ -x "$build/movingblock-sim" ] || { echo "no $build/movingblock-sim (build first)" >&2; exit 1; }
# farm-sim is outside the default targets: bring it up to date with the
# engine every time (a no-op when it is), not only when it is missing.
cmake --build "$build" --target farm-sim > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# run SIM OVERRIDE REPLICATIONS: one run; leaves its console in $work/log
# and "user system maxKB" in $work/time (processor times in milliseconds'
# resolution, from the shell: GNU time rounds them to 10 ms; they include
# the millisecond or so of GNU time itself, which gives the memory).
run() {
  local TIMEFORMAT='%3U %3S'
  { time /usr/bin/time -f '%M' -o "$work/memoryKB" "$1" -N "$3" -O "$2" -a "$work/out.txt" \
      > "$work/log" 2> /dev/null; } 2> "$work/times"
  echo "$(cat "$work/times") $(cat "$work/memoryKB")" > "$work/time"
}
runCpu() { sed -n 's/^CPU time (s): //p' "$work/log"; }
runFirings() { sed -n 's/^Actions fired: //p' "$work/log"; }

# setupOf SIM OVERRIDE: prints "seconds MB" (medians over the runs).
setupOf() {
  : > "$work/seconds"
  : > "$work/memory"
  for _ in $(seq "$runs"); do
    run "$1" "$2" 1
    awk -v cpu="$(runCpu)" '{ print $1 + $2 - cpu }' "$work/time" >> "$work/seconds"
    awk '{ print $3 / 1024 }' "$work/time" >> "$work/memory"
  done
  echo "$(median < "$work/seconds") $(median < "$work/memory")"
}

# setupTable TITLE OVERRIDE-PREFIX SIM BASE SIZES...: the set-up table of
# one model; BASE may be empty.
setupTable() {
  local title=$1 prefix=$2 sim=$3 base=$4
  shift 4
  printf '\n%s\n%8s %12s %10s %8s' "$title" size "setup (s)" "peak MB" slope
  [ -n "$base" ] && printf ' %14s %10s' "before (s)" "before MB"
  printf '\n'
  local previous="" previousTime="" baseSkipped=0
  for size in "$@"; do
    read -r seconds memory <<< "$(setupOf "$sim" "$prefix$size")"
    local slope="-"
    [ -n "$previous" ] && slope=$(awk -v a="$previousTime" -v b="$seconds" -v m="$previous" -v n="$size" \
      'BEGIN { if (a > 0 && b > 0) printf "%.2f", log(b / a) / log(n / m); else print "-" }')
    printf '%8d %12.3f %10.1f %8s' "$size" "$seconds" "$memory" "$slope"
    if [ -n "$base" ]; then
      if [ "$baseSkipped" -eq 0 ]; then
        read -r baseSeconds baseMemory <<< "$(setupOf "$base" "$prefix$size")"
        printf ' %14.3f %10.1f' "$baseSeconds" "$baseMemory"
        awk -v s="$baseSeconds" -v m="$baseMax" 'BEGIN { exit !(s * 8 > m) }' && baseSkipped=1
      else
        printf ' %14s %10s' "-" "-"
      fi
    fi
    printf '\n'
    previous=$size
    previousTime=$seconds
  done
}

# firingTable TITLE OVERRIDE-PREFIX SIM SIZES...
firingTable() {
  local title=$1 prefix=$2 sim=$3
  shift 3
  printf '\n%s\n%8s %12s %10s %14s %16s\n' "$title" size "firings/rep" reps "firings/s" "firings/s x size"
  for size in "$@"; do
    run "$sim" "$prefix$size" 20
    local perRep reps
    perRep=$(awk -v f="$(runFirings)" 'BEGIN { printf "%.1f", f / 20 }')
    reps=$(awk -v p="$perRep" -v f="$firings" 'BEGIN { r = int(f / (p > 0 ? p : 1)) + 1; print (r > 20 ? r : 20) }')
    : > "$work/rates"
    for _ in $(seq "$runs"); do
      run "$sim" "$prefix$size" "$reps"
      awk -v f="$(runFirings)" -v c="$(runCpu)" 'BEGIN { print f / c }' >> "$work/rates"
    done
    local rate
    rate=$(median < "$work/rates")
    printf '%8d %12s %10d %14.0f %16.3g\n' "$size" "$perRep" "$reps" "$rate" \
      "$(awk -v r="$rate" -v n="$size" 'BEGIN { print r * n }')"
  done
}

case "$mode" in
  setup)
    setupTable "farm (i:N:N)" "i:N:" "$build/farm-sim" "${BASE_FARM:-}" "${farmSizes[@]}"
    setupTable "railway (s:nTrains:N)" "s:nTrains:" "$build/movingblock-sim" "${BASE_RAILWAY:-}" \
      "${trainSizes[@]}"
    ;;
  firing)
    firingTable "farm (i:N:N)" "i:N:" "$build/farm-sim" "${farmSizes[@]}"
    firingTable "railway (s:nTrains:N)" "s:nTrains:" "$build/movingblock-sim" "${trainSizes[@]}"
    ;;
  *)
    echo "usage: scale_bench.sh setup|firing [build-dir] [runs]" >&2
    exit 2
    ;;
esac
