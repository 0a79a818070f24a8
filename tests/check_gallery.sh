#!/usr/bin/env bash
# The examples gallery: each .geo file of examples/ is imported with the command its
# comment gives ("//   membrane import ..."), and both the model made now and the one
# stored beside the .geo file run to a converged membrane.
#   usage: check_gallery.sh MEMBRANE EXAMPLES_DIR
set -euo pipefail
membrane=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
status=0
for geo in "$examples"/*.geo; do
  name=$(basename "$geo" .geo)
  [ -e "$examples/$name.toml" ] && continue  # the start shape of a form model
  cp "$geo" .
  command=$(sed -n 's|^//   membrane import ||p' "$geo" | head -1)
  [ -n "$command" ] || command="$name.geo -o $name.DAT"
  # shellcheck disable=SC2086  # the options as the comment spells them
  "$membrane" import $command -q
  for model in "$name.DAT" "$examples/$name.DAT"; do
    cp "$model" "run-$name.DAT"
    if out=$("$membrane" run "run-$name.DAT" --max-iterations 20 2>&1); then
      echo "$name: $(grep -E '^(iterations|final area)' <<<"$out" | tr -s ' ' | paste -sd ' ')"
    else
      echo "$name: $model does not run"; echo "$out" | tail -5; status=1
    fi
  done
done
exit $status
