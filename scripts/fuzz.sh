#!/usr/bin/env bash
# Builds the libFuzzer targets in the clang sanitizer build (AddressSanitizer, UndefinedBehavior-
# Sanitizer; the one scripts/test.sh runs the suite in) and runs each for a bounded time from its
# seed corpus in tests/fuzz/.
# Inputs the fuzzer finds worth keeping go to the build directory, never into the source tree.
#   scripts/fuzz.sh [SECONDS_EACH] [BUILD_DIR]      (5, build-sanitize)
# A crash stops the run; its input is left in the build directory as crash-<hash>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-5}
build=${2:-build-sanitize}

if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DTOVRA_SANITIZE=ON \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build" -j"${JOBS:-2}" --target fuzz_all

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for seeds in tests/fuzz/*/; do
  target=$(basename "$seeds")
  found="$build/fuzz-corpus/$target"
  log="$build/fuzz-$target.log"
  mkdir -p "$found"
  if ! (cd "$build" && "./tests/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
          "fuzz-corpus/$target" "$OLDPWD/$seeds") >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$target: FAILED (input and log in $build)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz_$target: ${runs:-?} inputs in ${seconds} s, no crash"
done
