#!/usr/bin/env bash
# Installs what is missing, builds Trelvo twice (plain, then with ASan + UBSan) and runs every
# test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

if command -v clang-format >/dev/null; then
  echo "== formatting"
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
fi

jobs=$(nproc)
run_suite() { # build-dir, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DTRELVO_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

echo "== plain build"
run_suite build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== ASan + UBSan build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON
