#!/usr/bin/env bash
# Builds with warnings as errors and runs every test, then builds and runs the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
#   --repeat N   run each pass's suite N times in a row (to show it passes every time)
set -euo pipefail
cd "$(dirname "$0")/.."

repeat=1
while [ $# -gt 0 ]; do
  case "$1" in
    --repeat) repeat=${2:?--repeat takes a count}; shift 2 ;;
    --repeat=*) repeat=${1#--repeat=}; shift ;;
    *) echo "usage: scripts/test.sh [--repeat N]" >&2; exit 2 ;;
  esac
done
[[ "$repeat" =~ ^[1-9][0-9]*$ ]] || { echo "--repeat takes a whole number from 1" >&2; exit 2; }
scripts/deps.sh
scripts/npm-deps.sh

jobs=$(nproc)
# Unchanged files come from the compiler cache where one is installed.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# Runs the suite of one build folder `repeat` times; stops at the first failing round.
run_suite() {
  local round
  for ((round = 1; round <= repeat; round++)); do
    [ "$repeat" -gt 1 ] && echo "-- round $round of $repeat"
    "$@"
  done
}
export QT_QPA_PLATFORM=offscreen
export VQB_SETTINGS_DIR=""  # tests make their own folders

echo "== Code layout (.clang-format) =="
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
  echo "every C++ file follows .clang-format (scripts/format.sh applies it)"
fi

echo "== Layers =="
scripts/check-layers.sh

echo "== Build and test (warnings as errors) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQB_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
run_suite ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQB_WERROR=ON -DVQB_SANITIZE=ON -DVQB_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite ctest --test-dir build-asan --output-on-failure -j "$jobs"
