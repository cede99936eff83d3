#!/usr/bin/env bash
# How the model generator's check grows with the size of a model file: the
# processor seconds and peak memory of `sangen --check` on models of one
# atomic model with N places (N = 10,000 to 300,000 by default, or the
# counts given), each the median of several runs. Near-linear growth means
# the seconds per 100,000 places stay about the same.
#
# Usage: bench/sangen_scaling.sh [sangen] [runs] [places...]
set -euo pipefail
sangen=${1:-build/sangen}
runs=${2:-3}
shift $(($# < 2 ? $# : 2))
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 30000 100000 300000)
[ -x "$sangen" ] || { echo "no sangen at $sangen (build first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-10s %12s %16s %10s\n' places seconds "s per 100,000" "peak MB"
for n in "${counts[@]}"; do
  model="$work/places$n.yaml"
  {
    echo "models:"
    echo "  - name: m"
    echo "    places:"
    seq 0 $((n - 1)) | sed 's/.*/      - {name: p&}/'
    echo "    activities:"
    echo "      - {name: go, timing: {exponential: 1.0}, input_arcs: [p0], output_arcs: [p1]}"
    echo "rewards:"
    echo "  name: r"
    echo "  variables:"
    echo "    - {name: v, rate: {model: m, reads: [p0], value: p0}, measure: instant-of-time, times: [1]}"
    echo "study: {name: s, values: {}}"
  } >"$model"
  times=()
  memory=0
  for ((r = 0; r < runs; r++)); do
    /usr/bin/time -f '%U %S %M' -o "$work/time" "$sangen" "$model" --check
    read -r user system kb <"$work/time"
    times+=("$(echo "$user + $system" | bc)")
    memory=$kb
  done
  median=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p")
  printf '%-10s %12s %16s %10s\n' "$n" "$median" "$(echo "scale=2; $median * 100000 / $n" | bc)" \
    "$((memory / 1024))"
done
