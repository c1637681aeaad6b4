#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite twice: once as the program is
# shipped (g++), once built by clang with AddressSanitizer and UndefinedBehaviorSanitizer. It
# builds the Debian package and checks it. The sanitizer build also holds the libFuzzer targets,
# which then run for a few seconds each (FUZZ_SECONDS, 5) from their seed corpora.
# At its end it prints how long the plain suite and the whole command took.
#
# The suites spend most of their time waiting on the program's and the simulated laser's timings,
# not computing, so each runs TEST_JOBS tests at once (four per core unless set). The CPU they
# leave idle goes to work that does not wait on them: the package check runs beside the sanitizer
# build in the idle scheduling class. The plain suite runs alone, once the build's files are on
# disk: even an idle-class build beside it stretched its waits by half, through the disk and the
# memory it shares. Every step still fails the command: a background step's status is collected.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$EPOCHREALTIME
seconds_since() { awk -v from="$1" -v to="$EPOCHREALTIME" 'BEGIN { printf "%.1f", to - from }'; }

scripts/install-deps.sh

jobs=$(nproc)
test_jobs=${TEST_JOBS:-$((jobs * 4))}
export QT_QPA_PLATFORM=offscreen

# Ninja where installed; a build folder keeps the generator it was made with.
configure() {
  local build=$1
  shift
  local generator=()
  if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then
    generator=(-G Ninja)
  fi
  cmake -S . -B "$build" "${generator[@]}" "$@" >/dev/null
}

# Steps started in the background, each with its log; stopped if the command ends early. Each
# runs in a process group of its own, which is stopped whole: stopping only the step's first
# process left a build's compilers running on after a failed suite.
background=()
trap 'for pid in "${background[@]}"; do kill -- "-$pid" 2>/dev/null || true; done' EXIT
start_beside() {
  local log=$1
  shift
  # The idle scheduling class, not merely nice 19: it takes only the CPU the foreground leaves.
  setsid chrt --idle 0 ionice -c 3 "$@" >"$log" 2>&1 &
  background+=($!)
}
# Waits for the background step `pid`, prints its log, and fails the command if the step failed.
finish_beside() {
  local pid=$1 log=$2 name=$3 status=0
  wait "$pid" || status=$?
  cat "$log"
  if [ "$status" -ne 0 ]; then
    echo "test.sh: $name failed (status $status)" >&2
    exit "$status"
  fi
}

configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
configure build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTOVRA_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++
cmake --build build -j"$jobs"

sync
plain_started=$EPOCHREALTIME
(cd build && ctest -j"$test_jobs" --output-on-failure)
plain_wall=$(seconds_since "$plain_started")

# --- The Debian package, made from the build above and checked as installed -------------------
package_log=build/check-package.log
start_beside "$package_log" scripts/check-package.sh build
package=$!
cmake --build build-sanitize -j"$jobs"
finish_beside "$package" "$package_log" "check-package"
# -------------------------------------------------------------------------------------------------

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
sanitize_started=$EPOCHREALTIME
(cd build-sanitize && ctest -j"$test_jobs" --output-on-failure)
sanitize_wall=$(seconds_since "$sanitize_started")

JOBS="$jobs" scripts/fuzz.sh "${FUZZ_SECONDS:-5}" build-sanitize

echo
echo "test.sh: plain suite ${plain_wall} s, sanitizer suite ${sanitize_wall} s, whole command $(seconds_since "$started") s (wall)"
# User and system CPU time of this shell, then of everything it started: on a shared machine
# the wall times above say more about the neighbours than about the tests.
echo "test.sh: CPU time (shell, then children):"
times
