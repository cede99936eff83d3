#!/usr/bin/env bash
# Simulator against solver on small random Markovian models: each seed gives
# a model file (tokens moving between a few places by exponential
# activities, some with cases, and an instantaneous one; alone, replicated
# or joined), built into its simulator and its solver by sangen; the study
# tool (--exact) estimates every measure with a 99.9 % confidence interval
# beside its exact value, and each exact value must lie inside it.
#
# Usage: bench/random_models.sh [build-dir] [models] [first-seed] [replications]
#
# Defaults: build, 4 models from seed 5, 4000 replications each: the bounded
# campaign (fixed seeds, so always the same models and intervals: a Join and
# a Rep in steady state, the atomic model and a Join terminating). A long
# campaign gives more models, e.g. `bench/random_models.sh build 200 1000`;
# some 0.1 % of the intervals then miss by chance, so the campaign fails
# only when the misses exceed that expectation by more than three standard
# deviations. The model files and the values of a failing model are kept in
# BUILD/random-models.
#
# Even seeds give terminating models (instant-of-time, interval-of-time and
# time-averaged rate and impulse rewards up to t = 2), odd seeds steady-state
# models (batch means of rate and impulse rewards, time-averaged and not; no
# instantaneous activity, and a ring through every place, so that the chain
# is irreducible). The seed modulo 3 gives the composition: 0 the atomic
# model alone; 1 a Rep of 2 or 3 copies of it sharing its last place (fewer
# tokens per copy while the markings would exceed some 5000); 2 a Join of it
# with a second atomic model that trades a token with it through that place,
# with rewards of its own. The build's MB_EXTRA_MODELS is set to the random
# models while they build and restored afterwards.
set -euo pipefail
build=${1:-build}
count=${2:-4}
first=${3:-5}
replications=${4:-4000}
[ -f "$build/CMakeCache.txt" ] || { echo "no configured build in $build" >&2; exit 1; }
command -v jq > /dev/null || { echo "jq is needed (scripts/install-deps.sh)" >&2; exit 1; }
[ -x "$build/san-study" ] || { echo "no study tool at $build/san-study (build it first)" >&2; exit 1; }
dir=$(cd "$build" && pwd)/random-models
mkdir -p "$dir"

# A 31-bit linear congruential generator of our own, so that a seed gives
# the same model with any shell. next N: a number in [0, N).
state=0
next() {
  state=$(((state * 1103515245 + 12345) % 2147483648))
  value=$(((state >> 16) % $1))  # the high bits: the low ones have short periods
}

# Writes the model of seed $1 to $2.
generate() {
  local seed=$1 file=$2 steady=$(($1 % 2)) p a k from to places tokens
  state=$seed
  for _ in 1 2 3; do next 2; done  # move away from the small seed
  next 3; places=$((value + 2))
  next 3; tokens=$((value + 1))
  local rates=(0.5 0.75 1 1.25 1.5 2 2.5 3)
  {
    echo "# Random Markovian model of seed $seed (bench/random_models.sh)."
    echo "globals:"
    echo "  - {name: scale, type: double, range: \"(0, inf)\"}"
    echo "models:"
    echo "  - name: net"
    echo "    places:"
    for ((p = 0; p < places; p++)); do
      # The initial tokens are written once the composition is known.
      if [ "$p" -eq 0 ]; then echo "      - {name: p$p, initial: @TOKENS@}"; else echo "      - {name: p$p}"; fi
    done
    echo "    activities:"
    # A ring through every place keeps every token on the move.
    for ((p = 0; p < places; p++)); do
      next ${#rates[@]}
      echo "      - name: ring$p"
      echo "        timing: {exponential: \"${rates[$value]} * scale\"}"
      echo "        input_arcs: [p$p]"
      echo "        output_arcs: [p$(((p + 1) % places))]"
    done
    # Further timed moves, some of them with two weighted cases.
    next 3
    for ((a = 0; a < value + 1; a++)); do
      local extra=$value
      next "$places"; from=$value
      next ${#rates[@]}
      echo "      - name: move$a"
      echo "        timing: {exponential: \"${rates[$value]} * scale\"}"
      echo "        input_arcs: [p$from]"
      next 2
      if [ "$value" -eq 0 ]; then
        next "$places"
        echo "        output_arcs: [p$value]"
      else
        echo "        cases:"
        for k in 1 2; do
          next 4; local weight=$((value + 1))
          next "$places"
          echo "          - {weight: $weight, output_arcs: [p$value]}"
        done
      fi
      value=$extra
    done
    # An instantaneous move of pb's tokens to pc while pa holds a token, in
    # a terminating model of three places or more only; each firing empties
    # pb by one, so the firings end.
    if [ "$steady" -eq 0 ] && [ "$places" -ge 3 ]; then
      next "$places"; from=$value
      next $((places - 1)); local guard=$(((from + 1 + value) % places))
      next $((places - 2)); to=$value
      while [ "$to" -eq "$from" ] || [ "$to" -eq "$guard" ]; do to=$(((to + 1) % places)); done
      echo "      - name: jump"
      echo "        timing: instantaneous"
      echo "        input_arcs: [p$guard, p$from]"
      echo "        output_arcs: [p$guard, p$to]"
    fi
  } > "$file.models"
  {
    echo "rewards:"
    echo "  name: measures"
    echo "  variables:"
    next "$places"; local pa=$value
    next "$places"; local pb=$value
    next "$places"; local pc=$value
    next "$places"; local moved=$value
    if [ "$steady" -eq 0 ]; then
      echo "    - {name: tokensAt, rate: {model: net, reads: [p$pa], value: p$pa}, measure: instant-of-time, times: [0.5, 2]}"
      echo "    - {name: emptyAt, rate: {model: net, reads: [p$pb], value: \"p$pb == 0 ? 1 : 0\"}, measure: instant-of-time, times: [1]}"
      echo "    - {name: tokenTime, rate: {model: net, reads: [p$pc], value: p$pc}, measure: interval-of-time, windows: [[0, 1], [0.5, 2]]}"
      echo "    - {name: meanTokens, rate: {model: net, reads: [p$pa], value: p$pa}, measure: time-averaged, windows: [[0, 2], [1, 1.5]]}"
      echo "    - {name: moves, impulses: [{activity: ring$moved, value: 1}], measure: interval-of-time, windows: [[0, 2], [0.5, 1]]}"
      echo "    - {name: moveRate, impulses: [{activity: ring$moved, value: 2}], measure: time-averaged, windows: [[0, 2], [1, 2]]}"
    else
      local batch="steady_state: {start: 20, batch: 20}"
      echo "    - {name: meanTokens, rate: {model: net, reads: [p$pa], value: p$pa}, measure: time-averaged, $batch}"
      echo "    - {name: empty, rate: {model: net, reads: [p$pb], value: \"p$pb == 0 ? 1 : 0\"}, measure: time-averaged, $batch}"
      echo "    - {name: tokenTime, rate: {model: net, reads: [p$pc], value: p$pc}, measure: interval-of-time, $batch}"
      echo "    - {name: moves, impulses: [{activity: ring$moved, value: 1}], measure: interval-of-time, $batch}"
      echo "    - {name: moveRate, impulses: [{activity: ring$moved, value: 2}], measure: time-averaged, $batch}"
    fi
  } > "$file.rewards"
  compose "$seed" "$file" "$places" "$tokens" "$steady"
  rm -f "$file.models" "$file.rewards"
}

# The number of ways to put $1 tokens into $2 places: C($1 + $2 - 1, $1),
# an upper bound on the markings of a model that keeps its tokens.
markings() {
  local n=$1 k=$2 i result=1
  for ((i = 1; i <= n; i++)); do result=$((result * (k - 1 + i) / i)); done
  echo "$result"
}

# Writes the model file $2 of seed $1 from its atomic model and rewards,
# composed by the seed modulo 3 (see above); $3 places, $4 tokens, $5 1 for
# a steady-state model.
compose() {
  local seed=$1 file=$2 places=$3 tokens=$4 steady=$5 kind=$(($1 % 3)) copies shared
  shared=p$((places - 1))
  if [ "$kind" -eq 1 ]; then
    next 2; copies=$((value + 2))
    while [ "$tokens" -gt 1 ] &&
      [ "$(markings $((copies * tokens)) $((copies * (places - 1) + 1)))" -gt 5000 ]; do
      tokens=$((tokens - 1))
    done
  fi
  {
    sed "s/@TOKENS@/$tokens/" "$file.models"
    if [ "$kind" -eq 2 ]; then
      # A second atomic model that takes tokens from the shared place and
      # gives them back.
      local rates=(0.5 0.75 1 1.25 1.5 2 2.5 3)
      echo "  - name: aux"
      echo "    places:"
      echo "      - {name: $shared}"
      echo "      - {name: held, initial: 1}"
      echo "    activities:"
      next ${#rates[@]}
      echo "      - {name: take, timing: {exponential: \"${rates[$value]} * scale\"}, input_arcs: [$shared], output_arcs: [held]}"
      next ${#rates[@]}
      echo "      - {name: give, timing: {exponential: \"${rates[$value]} * scale\"}, input_arcs: [held], output_arcs: [$shared]}"
      echo "composition:"
      echo "  name: system"
      echo "  join: system"
      echo "  shared: [$shared]"
      echo "  children:"
      echo "    - model: net"
      echo "    - model: aux"
    elif [ "$kind" -eq 1 ]; then
      echo "composition:"
      echo "  name: system"
      echo "  rep: copies"
      echo "  replicas: $copies"
      echo "  shared: [$shared]"
      echo "  child: {model: net}"
    fi
    cat "$file.rewards"
    if [ "$kind" -eq 2 ]; then
      if [ "$steady" -eq 0 ]; then
        echo "    - {name: heldAt, rate: {model: aux, reads: [held], value: held}, measure: instant-of-time, times: [1.5]}"
        echo "    - {name: gives, impulses: [{activity: give, model: aux, value: 1}], measure: interval-of-time, windows: [[0, 2]]}"
      else
        local batch="steady_state: {start: 20, batch: 20}"
        echo "    - {name: held, rate: {model: aux, reads: [held], value: held}, measure: time-averaged, $batch}"
        echo "    - {name: giveRate, impulses: [{activity: give, model: aux, value: 1}], measure: time-averaged, $batch}"
      fi
    fi
    echo "study:"
    echo "  name: one"
    echo "  values:"
    echo "    scale: 1"
  } > "$file"
}

models=()
for ((seed = first; seed < first + count; seed++)); do
  generate "$seed" "$dir/rnd$seed.yaml"
  models+=("$dir/rnd$seed.yaml")
done

earlier=$(sed -n 's/^MB_EXTRA_MODELS:STRING=//p' "$build/CMakeCache.txt")
restore() { cmake -S . -B "$build" -DMB_EXTRA_MODELS="$earlier" > /dev/null; }
trap restore EXIT
cmake -S . -B "$build" -DMB_EXTRA_MODELS="$(IFS=';'; echo "${models[*]}")" > /dev/null
targets=()
for ((seed = first; seed < first + count; seed++)); do targets+=("rnd$seed-sim" "rnd$seed-solve"); done
cmake --build "$build" -j 2 --target "${targets[@]}" > "$dir/build.log" 2>&1 ||
  { tail -30 "$dir/build.log" >&2; echo "the random models did not build (log: $dir/build.log)" >&2; exit 1; }

measures=0 misses=0 widest=0
for ((seed = first; seed < first + count; seed++)); do
  name=rnd$seed
  rm -rf "$dir/$name-study"
  status=0
  # --exact: the solver's value of every measure beside its estimate, and
  # whether the interval holds it (to 1e-9 of the value).
  "$build/san-study" --simulator "$build/$name-sim" --exact -q --confidence 0.999 --precision 1e9 \
    --min-reps "$replications" --max-reps "$replications" --seed "$seed" -j 2 \
    -o "$dir/$name-study" > /dev/null || status=$?
  [ "$status" -eq 0 ] || { echo "$name: the study failed (status $status)" >&2; exit 1; }
  # Per measure: variable, window, exact, inside, mean, half-width, lower, upper.
  jq -r '[.measures, .experiments[0].windows] | transpose[] |
         [.[0].rewardVariable, .[0].label, .[1].exact, .[1].exactInside, .[1].mean,
          .[1].halfWidth, .[1].lower, .[1].upper] | @tsv' \
    "$dir/$name-study/study.json" > "$dir/$name-pairs.tsv"
  result=$(awk -F'\t' -v model="$name" '
    {
      n++
      if ($4 != "true") {
        misses++
        printf "%s: %s %s exact %.10g outside [%s, %s] (mean %s)\n", model, $1, $2, $3, $7, $8, $5 > "/dev/stderr"
      }
      mean = $5
      relative = (mean != 0 && $6 != "") ? $6 / (mean < 0 ? -mean : mean) : 0
      if (relative > widest) widest = relative
    }
    END { printf "%d %d %.4g\n", n, misses, widest }' "$dir/$name-pairs.tsv")
  read -r n m w <<< "$result"
  echo "$name: $n measures, $m outside their interval, widest relative half-width $w"
  measures=$((measures + n))
  misses=$((misses + m))
  widest=$(awk -v a="$widest" -v b="$w" 'BEGIN { print (b > a) ? b : a }')
  [ "$m" -gt 0 ] || rm -rf "$dir/$name-study" "$dir/$name-pairs.tsv"
done
allowed=$(awk -v n="$measures" 'BEGIN { e = n * 0.001; print int(e + 3 * sqrt(e)) }')
echo "$count models, $measures measures, $misses outside their 99.9 % interval (at most $allowed allowed), widest relative half-width $widest"
[ "$misses" -le "$allowed" ]
