#!/usr/bin/env bash
# The layers of the program include one way only:
#   common <- model <- {solver, output, plot, exchange} <- run <- {cli, ui}
# A file of a layer may include headers of its own layer and of the layers it builds on,
# nothing else of src/. Prints every include that breaks the rule; exit status 1 then.
set -euo pipefail
src=${1:-$(dirname "$0")/../src}

declare -A allowed=(
  [common]="common"
  [model]="common model"
  [solver]="common model solver"
  [output]="common model output"
  [plot]="common model plot"
  [exchange]="common model exchange"
  [run]="common model solver output plot exchange run"
  [cli]="common model solver output plot run exchange cli"
  [ui]="common model solver output plot run exchange ui"
)

status=0
for layer in "${!allowed[@]}"; do
  [ -d "$src/$layer" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    included=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$line")
    if [[ " ${allowed[$layer]} " != *" $included "* ]]; then
      echo "layer $layer may not include $included: $line"
      status=1
    fi
  done < <(grep -rnE '^\s*#\s*include "[^"]+/' "$src/$layer" || true)
done
[ $status -eq 0 ] && echo "layers: every include goes one way"
exit $status
