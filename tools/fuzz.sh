#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time.
#   bash tools/fuzz.sh SECONDS     total time, shared evenly by the targets
# Environment: FUZZ_BUILD (build directory, default build-fuzz), FUZZ_JOBS (ninja jobs, 2).
# The seed corpus in tests/fuzz/corpus stays as it is; what the fuzzers find grows in
# $FUZZ_BUILD/corpus, crash inputs land in $FUZZ_BUILD/artifacts. Exit status 1 when a
# target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:?usage: bash tools/fuzz.sh SECONDS}
build=${FUZZ_BUILD:-build-fuzz}
targets=(fuzz_model_run fuzz_field_reader fuzz_surface_import)
per_target=$(( total / ${#targets[@]} ))
[ "$per_target" -ge 1 ] || per_target=1

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMEMBRANE_FUZZ=ON -DMEMBRANE_GUI=OFF -DMEMBRANE_TESTS=OFF >/dev/null
ninja -C "$build" -j"${FUZZ_JOBS:-2}" "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/${target#fuzz_}"
  artifacts="$build/artifacts/${target#fuzz_}/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $target for ${per_target}s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/tests/fuzz/$target" -max_total_time="$per_target" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" "tests/fuzz/corpus/${target#fuzz_}" 2>"$build/$target.log"; then
    status=1
    echo "!! $target found a fault; input in $artifacts" >&2
    grep -E 'ERROR|SUMMARY|fuzz_' "$build/$target.log" | head -20 >&2 || true
  fi
  grep -E 'cov:' "$build/$target.log" | tail -1 || true
  grep -E 'stat::number_of_executed_units|stat::peak_rss' "$build/$target.log" || true
done
exit "$status"
