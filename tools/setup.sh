#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   bash tools/setup.sh example   install what is missing, build, run the bundled example
#   bash tools/setup.sh test      install what is missing, build, run every test
#                                 (the format check, the normal build, an ASan+UBSan build
#                                 and a ThreadSanitizer build of the core tests with threaded
#                                 runs of both solvers, then 60 s of fuzzing, see tools/fuzz.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl-dev qt6-image-formats-plugins
  libqt6opengl6-dev libgl1-mesa-dri
  libsuitesparse-dev libmetis-dev libopenblas-dev libhypre-dev
  locales xvfb xauth view3dscene imagemagick fonts-dejavu-core xdg-utils
  clang libclang-rt-14-dev clang-format
  libgmsh-dev gmsh libassimp-dev libdxflib-dev python3-meshio python3-ezdxf
  libtomlplusplus-dev python3-gmsh dpkg-dev file libseccomp-dev zlib1g-dev
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  fi
  # A locale with a decimal comma, for the tests that check "." is written whatever the locale.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
  fi
}

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir" -j"$(nproc)"
}

case "${1:-}" in
  example)
    install_packages
    build build
    work=$(mktemp -d)
    cp examples/TEST3.DAT "$work/"
    ./build/membrane run "$work/TEST3.DAT"
    echo "== results in $work: $(cd "$work" && ls)"
    ;;
  test)
    install_packages
    echo "== format (clang-format, .clang-format)"
    bash tools/check_format.sh
    build build
    ctest --test-dir build --output-on-failure -j2
    echo "== sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer) of the core tests"
    build build-asan -DMEMBRANE_SANITIZE=address -DMEMBRANE_GUI=OFF -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp" \
      ctest --test-dir build-asan --output-on-failure -j2
    echo "== ThreadSanitizer build of the core tests, and threaded runs of the three solvers"
    build build-tsan -DMEMBRANE_SANITIZE=thread -DMEMBRANE_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tools/tsan.supp" \
      ctest --test-dir build-tsan --output-on-failure -j2
    bash tools/tsan_runs.sh build-tsan
    echo "== fuzzing the model run and the field reader (30 s each)"
    bash tools/fuzz.sh 60
    ;;
  *)
    echo "usage: bash tools/setup.sh example|test" >&2
    exit 64
    ;;
esac
