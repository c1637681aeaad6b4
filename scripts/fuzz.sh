#!/usr/bin/env bash
# Builds the libFuzzer targets in the clang sanitizer build (AddressSanitizer, UndefinedBehavior-
# Sanitizer; the one scripts/test.sh runs the suite in) and runs each for a bounded time from its
# seed corpus in tests/fuzz/, as many at once as JOBS (2) allows.
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
# Each target runs alone on a core: JOBS of them at once, each still for the whole time given.
run_target() {
  local seeds=$1 target found log
  target=$(basename "$seeds")
  found="$build/fuzz-corpus/$target"
  log="$build/fuzz-$target.log"
  mkdir -p "$found"
  (cd "$build" && exec "./tests/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
      "fuzz-corpus/$target" "$OLDPWD/$seeds") >"$log" 2>&1
}
report() {
  local seeds=$1 status=$2 target log runs
  target=$(basename "$seeds")
  log="$build/fuzz-$target.log"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log"
    echo "fuzz_$target: FAILED (input and log in $build)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz_$target: ${runs:-?} inputs in ${seconds} s, no crash"
}

all=(tests/fuzz/*/)
at_once=${JOBS:-2}
for ((first = 0; first < ${#all[@]}; first += at_once)); do
  group=("${all[@]:first:at_once}")
  pids=()
  for seeds in "${group[@]}"; do
    run_target "$seeds" &
    pids+=($!)
  done
  for i in "${!group[@]}"; do
    status=0
    wait "${pids[$i]}" || status=$?
    report "${group[$i]}" "$status"
  done
done
