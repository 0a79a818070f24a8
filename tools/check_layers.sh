#!/usr/bin/env bash
# The folders of the program include one way only (docs/architecture.md):
#   core:      common <- mesh <- {linalg, formats, plot} <- shell
#              (linalg knows no mesh and no problem: it includes common alone)
#   analyses:  heightfield, form, loads, patterns, each on the whole core; an analysis
#              may build on the analyses before it (form reads plan models, loads start
#              from a form, patterns flatten a form with the fabric of the loads)
#   programs:  cli and desktop on everything below, never on each other
# A file may include headers of its own folder and of the folders it builds on, nothing
# else of src/. Prints every include that breaks the rule; exit status 1 then.
set -euo pipefail
src=${1:-$(dirname "$0")/../src}

core="common mesh linalg formats plot shell"
declare -A allowed=(
  [core/common]="common"
  [core/mesh]="common mesh"
  [core/linalg]="common linalg"
  [core/formats]="common mesh formats"
  [core/plot]="common mesh plot"
  [core/shell]="common mesh linalg formats plot shell"
  [analyses/heightfield]="$core heightfield"
  [analyses/form]="$core heightfield form"
  [analyses/loads]="$core heightfield form loads"
  [analyses/patterns]="$core heightfield form loads patterns"
  [programs/cli]="$core heightfield form loads patterns cli"
  [programs/desktop]="$core heightfield form loads patterns desktop"
)

status=0
for folder in "$src"/core/* "$src"/analyses/* "$src"/programs/*; do
  [ -d "$folder" ] || continue
  layer=${folder#"$src"/}
  if [ -z "${allowed[$layer]+x}" ]; then
    echo "folder $layer has no place in the layers: add it to tools/check_layers.sh"
    status=1
    continue
  fi
  while IFS= read -r line; do
    included=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$line")
    if [[ " ${allowed[$layer]} " != *" $included "* ]]; then
      echo "layer $layer may not include $included: $line"
      status=1
    fi
  done < <(grep -rnE '^\s*#\s*include "[^"]+/' "$folder" || true)
done
[ $status -eq 0 ] && echo "layers: every include goes one way"
exit $status
