#!/usr/bin/env bash
# Every C++ file of the program, its tests and benchmarks is formatted as .clang-format
# says. Lists the files that are not; exit status 1 then. `clang-format -i FILE` fixes one.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  printf 'not formatted: %s\n' "${unformatted[@]}"
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format says"
