#!/usr/bin/env bash
# Installs what is missing, builds every target and runs every test:
#   1. the native build with its unit and end-to-end tests,
#   2. the 32- and 64-bit Windows builds and the Wine end-to-end suite,
#   3. the sanitizer build, the fuzzers and the benchmark build and its short run.
# Each stage runs even when an earlier one failed; the exit status is 0 only
# when all of them passed.
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/install_deps.sh || { echo "test_all: cannot install the build tools"; exit 1; }

jobs=$(nproc)
passed=0
failed=0
failed_stages=()

stage() {
  local name=$1
  shift
  echo
  echo "=== stage: $name ==="
  local start=$SECONDS
  if "$@"; then
    passed=$((passed + 1))
    echo "=== stage $name passed in $((SECONDS - start)) s ==="
  else
    failed=$((failed + 1))
    failed_stages+=("$name")
    echo "=== stage $name FAILED after $((SECONDS - start)) s ==="
  fi
}

native() {
  cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
    cmake --build build-test -j "$jobs" &&
    (cd build-test && ctest --output-on-failure -j "$jobs")
}

stage native native
[ -f tools/test_windows.sh ] && stage windows bash tools/test_windows.sh
[ -f tools/test_hardening.sh ] && stage hardening bash tools/test_hardening.sh

echo
if [ "$failed" -gt 0 ]; then
  echo "failed stages: ${failed_stages[*]}"
fi
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
