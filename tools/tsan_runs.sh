#!/usr/bin/env bash
# Runs of the command-line program built with ThreadSanitizer, one per solver, on models
# large enough that every thread of a run has work at the same time: the fill-reducing
# ordering beside the loading, the second assembly thread, the report and truss model
# file written ahead and beside each other.
#   bash tools/tsan_runs.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: bash tools/tsan_runs.sh BUILD_DIR}
membrane=$(cd "$build" && pwd)/membrane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 exitcode=66 suppressions=$(cd "$(dirname "$0")" && pwd)/tsan.supp"

"$membrane" generate catenoid --nodes 20000 -q "$work/big.DAT"
"$membrane" generate scherk --nodes 3000 -q "$work/small.DAT"
cp "$membrane" "$work/membrane"  # the boundary points file goes beside the program
"$work/membrane" run "$work/big.DAT" --solver cholmod --accuracy 1e-6 --quiet
"$work/membrane" run "$work/big.DAT" --solver amg --accuracy 1e-6 --quiet
"$work/membrane" run "$work/small.DAT" --solver elimination --accuracy 1e-6 --quiet
echo "threaded runs of the three solvers: no data race reported"
