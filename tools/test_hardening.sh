#!/usr/bin/env bash
# The hardening stage:
#   1. a clang build with AddressSanitizer and UndefinedBehaviorSanitizer (leak
#      detection on) in build-asan, running every unit and end-to-end test;
#   2. the libFuzzer targets in build-fuzz, each run for WRENPOST_FUZZ_SECONDS
#      (default 60) seconds; any crash, leak, timeout or broken property fails;
#   3. the benchmarks, built in build-bench and run once in their short mode
#      (bench/run_benchmarks.sh --short): the figures are reported, not
#      asserted; the stage fails only when the script itself cannot run.
# Installs nothing. Every part runs even when an earlier one failed; the exit
# status is 0 only when all of them passed.
set -uo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${WRENPOST_FUZZ_SECONDS:-60}
jobs=$(nproc)
results=()
failed=0

note() { results+=("$1"); }
fail() {
  results+=("FAILED: $1")
  failed=$((failed + 1))
}

find_tool() {
  local candidate
  for candidate in "$@"; do
    if command -v "$candidate" > /dev/null 2>&1; then
      command -v "$candidate"
      return 0
    fi
  done
  return 1
}

cc=$(find_tool clang-14 clang) || cc=""
cxx=$(find_tool clang++-14 clang++) || cxx=""
if [ -z "$cc" ] || [ -z "$cxx" ]; then
  echo "test_hardening: clang is not installed (needs clang and libclang-rt-dev)"
  exit 1
fi

sanitizer_flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# exitcode 86: a sanitizer report never passes for the program's own exit status 1.
export ASAN_OPTIONS="detect_leaks=1:exitcode=86:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="exitcode=86"

# ---- 1. Sanitizers ------------------------------------------------------------
echo "=== hardening: sanitizer build (build-asan) ==="
if CC="$cc" CXX="$cxx" cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
       -DWRENPOST_TESTS=ON "-DCMAKE_CXX_FLAGS=$sanitizer_flags" \
       -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" &&
   cmake --build build-asan -j "$jobs"; then
  if (cd build-asan && ctest --output-on-failure -j "$jobs"); then
    note "sanitizers: every test passed under ASan+UBSan with leak detection"
  else
    fail "sanitizers: tests failed under ASan+UBSan"
  fi
else
  fail "sanitizers: build-asan did not build"
fi

# ---- 2. Fuzzing ---------------------------------------------------------------
echo "=== hardening: fuzzers (build-fuzz), ${fuzz_seconds} s each ==="
fuzz_built=0
if CC="$cc" CXX="$cxx" cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
       -DWRENPOST_TESTS=OFF -DWRENPOST_FUZZ=ON \
       "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" &&
   cmake --build build-fuzz -j "$jobs"; then
  fuzz_built=1
else
  fail "fuzzing: build-fuzz did not build"
fi

run_fuzzer() {
  local name=$1
  local program=build-fuzz/fuzz/fuzz_$name
  local work=build-fuzz/fuzz-corpus/$name
  local artifacts=build-fuzz/fuzz-artifacts
  local log=build-fuzz/fuzz-logs/$name.txt
  mkdir -p "$work" "$artifacts" build-fuzz/fuzz-logs
  local seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds+=("fuzz/corpus/$name")
  [ -d "fuzz/regressions/$name" ] && seeds+=("fuzz/regressions/$name")
  local options=(-max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048
                 -print_final_stats=1 -artifact_prefix="$artifacts/$name-")
  [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
  "$program" "${options[@]}" "$work" "${seeds[@]}" > "$log" 2>&1
  echo $? > "$log.status"
}

if [ "$fuzz_built" -eq 1 ]; then
  names=()
  for program in build-fuzz/fuzz/fuzz_*; do
    [ -x "$program" ] && names+=("${program##*/fuzz_}")
  done
  # As many at once as there are cores.
  running=0
  for name in "${names[@]}"; do
    echo "fuzzing $name for ${fuzz_seconds} s"
    run_fuzzer "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
      wait -n
      running=$((running - 1))
    fi
  done
  wait
  for name in "${names[@]}"; do
    log=build-fuzz/fuzz-logs/$name.txt
    status=$(cat "$log.status" 2> /dev/null || echo missing)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" = "0" ]; then
      note "fuzzing $name: ${runs:-?} executions in ${fuzz_seconds} s, no failure"
    else
      echo "--- $name failed (status $status); the end of its log:"
      grep -E "property failed|ERROR|SUMMARY|Test unit written" "$log" | head -n 20
      fail "fuzzing $name: status $status after ${runs:-?} executions (log: $log)"
    fi
  done
fi

# ---- 3. Benchmarks (built, run once in the short mode) --------------------------
echo "=== hardening: benchmark build (build-bench) ==="
if cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DWRENPOST_TESTS=OFF \
       -DWRENPOST_BENCH=ON &&
   cmake --build build-bench -j "$jobs"; then
  note "benchmarks: built in build-bench"
  echo "=== hardening: bench/run_benchmarks.sh --short ==="
  if bash bench/run_benchmarks.sh --short build-bench; then
    note "benchmarks: bench/run_benchmarks.sh --short ran (figures above, not asserted)"
  else
    fail "benchmarks: bench/run_benchmarks.sh --short could not run"
  fi
else
  fail "benchmarks: build-bench did not build"
fi

echo
echo "=== hardening summary ==="
for line in "${results[@]}"; do echo "  $line"; done
if [ "$failed" -gt 0 ]; then
  echo "hardening: $failed part(s) failed"
  exit 1
fi
echo "hardening: all parts passed"
