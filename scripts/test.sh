#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite twice: once as the program is
# shipped (g++), once built by clang with AddressSanitizer and UndefinedBehaviorSanitizer. Between
# the two it builds the Debian package and checks it. The sanitizer build also holds the libFuzzer
# targets, which then run for a few seconds each (FUZZ_SECONDS, 5) from their seed corpora.
# At its end it prints how long the plain suite and the whole command took.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$EPOCHREALTIME
seconds_since() { awk -v from="$1" -v to="$EPOCHREALTIME" 'BEGIN { printf "%.1f", to - from }'; }

scripts/install-deps.sh

jobs=$(nproc)
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

configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
plain_started=$EPOCHREALTIME
(cd build && ctest -j"$jobs" --output-on-failure)
plain_wall=$(seconds_since "$plain_started")

# --- The Debian package, made from the build above and checked as installed -------------------
scripts/check-package.sh build
# -------------------------------------------------------------------------------------------------

configure build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTOVRA_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
sanitize_started=$EPOCHREALTIME
(cd build-sanitize && ctest -j"$jobs" --output-on-failure)
sanitize_wall=$(seconds_since "$sanitize_started")

JOBS="$jobs" scripts/fuzz.sh "${FUZZ_SECONDS:-5}" build-sanitize

echo
echo "test.sh: plain suite ${plain_wall} s, sanitizer suite ${sanitize_wall} s, whole command $(seconds_since "$started") s (wall)"
# User and system CPU time of this shell, then of everything it started: on a shared machine
# the wall times above say more about the neighbours than about the tests.
echo "test.sh: CPU time (shell, then children):"
times
