#!/usr/bin/env bash
# Golden outputs of the railway simulator: runs a fixed set of valid command
# lines and records, per run, the checksums of its result files, traces,
# console lines and exit status. Processor times are masked in the console
# lines, since they differ from run to run.
#
#   scripts/golden.sh record  [simulator] [manifest]   write the manifest
#   scripts/golden.sh compare [simulator] [manifest]   compare with it (exit 1 on a difference)
#
# Defaults: build/movingblock-sim and tests/golden/railway.sha256. A
# difference is shown as a diff of the two manifests; the run directory is
# kept for inspection.
set -euo pipefail
mode=${1:?usage: golden.sh record|compare [simulator] [manifest]}
root=$(cd "$(dirname "$0")/.." && pwd)
sim=$(realpath "${2:-$root/build/movingblock-sim}")
manifest=${3:-$root/tests/golden/railway.sha256}
work=$(mktemp -d "${TMPDIR:-/tmp}/golden.XXXXXX")

# name | environment | arguments
runs=()
for e in 0 1 2 3 4 5 6 7 8 9 10; do
  runs+=("exp$e||-e $e -N 40 -n 7 -a a.txt -b b.bin")
done
runs+=(
  "tausworthe||-e 2 -N 40 -r 1 -s 12345 -a a.txt -b b.bin"
  "mersenne||-e 9 -N 40 -r 2 -s 987654 -a a.txt -b b.bin"
  "lagged-seed||-e 6 -N 40 -r 0 -s 4242 -a a.txt -b b.bin"
  "seed0||-e 1 -N 10 -s 0 -a a.txt"
  "terminating||-e 4 -N 25 -t 1 -a a.txt -b b.bin"
  "override-trains||-e 0 -N 30 -O s:nTrains:12 -a a.txt -b b.bin"
  "override-many||-e 3 -N 30 -O d:netNotDeliveryProb:0.25:i:lineLength:20000 -a a.txt -b b.bin"
  "override-one-train||-e 7 -N 20 -O s:nTrains:1 -a a.txt"
  "simtest0|SIMTEST=0|-e 5 -N 30 -a a.txt -b b.bin"
  "simtest1|SIMTEST=1|-e 8 -N 30 -a a.txt -b b.bin"
  "steady||-e 0 -t 0 -N 5 -a a.txt -b b.bin"
  "plain-trace||-e 0 -N 2 -m -l 2 -f tr -a a.txt"
  "plain-trace-l4||-e 10 -N 2 -m -l 4 -f tr"
  "xml-trace||-e 0 -N 2 -x -f tr -a a.txt"
  "both-traces||-e 2 -N 3 -m -x -l 3 -f tr"
  "trace-stdout||-e 1 -N 1 -m"
  "report1||-e 0 -N 5 -n 1 -a a.txt -b b.bin"
  "attached||-e3 -N12 -n5 -aa.txt -bb.bin"
)

for entry in "${runs[@]}"; do
  IFS='|' read -r name env args <<<"$entry"
  dir=$work/$name
  mkdir -p "$dir"
  (
    cd "$dir"
    set +e
    # shellcheck disable=SC2086
    env -i PATH=/usr/bin:/bin $env "$sim" $args >stdout 2>stderr
    echo $? >status
  )
  sed -i -E 's/(Time=|CPU time \(s\): )[0-9.e+-]+/\1T/' "$dir/stdout" "$dir/stderr"
done

(cd "$work" && find . -type f | LC_ALL=C sort | xargs sha256sum) >"$work/manifest"
case $mode in
  record)
    mkdir -p "$(dirname "$manifest")"
    cp "$work/manifest" "$manifest"
    echo "recorded $(wc -l <"$manifest") checksums in $manifest"
    rm -rf "$work"
    ;;
  compare)
    if diff -u "$manifest" "$work/manifest"; then
      echo "golden: all $(wc -l <"$manifest") outputs identical"
      rm -rf "$work"
    else
      echo "golden: outputs differ (runs kept in $work)" >&2
      exit 1
    fi
    ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
