#!/usr/bin/env bash
# Checks the #include lines of every layer of the engine and the model
# against the layers it may use, as the build declares them
# (cmake/Layers.cmake writes them to <build>/layers.txt). Each include that
# reaches a folder the layer may not use is reported with its file, line and
# text; the status is 1 when there is any.
#
#   scripts/check-layers.sh [build/layers.txt]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
graph=${1:-$root/build/layers.txt}
[ -r "$graph" ] || { echo "check-layers: no layer graph at $graph (configure a build first)" >&2; exit 1; }

# The folder that an include names, in $target: next to the including file,
# else under one of the include roots; empty when it is not a file of this
# tree. (Builtins only: a layer has hundreds of includes.)
resolve() {
  local from=$1 include=$2 base
  target=""
  for base in "$from" Cpp Models; do
    if [ -f "$root/$base/$include" ]; then
      target="$base/$include"
      target=${target%/*}
      if [[ $target == *..* ]]; then target=$(realpath -m --relative-to="$root" "$root/$target"); fi
      return 0
    fi
  done
}

faults=0
while IFS='|' read -r layer folders reach; do
  for folder in $folders; do
    for file in "$root/$folder"/*.h "$root/$folder"/*.cpp; do
      [ -f "$file" ] || continue
      relative=${file#"$root"/}
      while IFS=: read -r line text; do
        [[ $text =~ \"([^\"]*)\" ]] || continue
        include=${BASH_REMATCH[1]}
        resolve "$folder" "$include"
        if [ -z "$target" ]; then
          echo "$relative:$line: $text: no such file in the source tree" >&2
          faults=$((faults + 1))
        elif [[ " $reach " != *" $target "* ]]; then
          echo "$relative:$line: $text: $layer may not use $target (it may use: $reach)" >&2
          faults=$((faults + 1))
        fi
      done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
    done
  done
done <"$graph"

if [ "$faults" -gt 0 ]; then
  echo "check-layers: $faults include(s) outside the layers allowed" >&2
  exit 1
fi
echo "check-layers: every include of $(wc -l <"$graph") layers stays within the layers it may use"
