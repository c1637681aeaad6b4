#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite twice: once as the program is
# shipped, once built with AddressSanitizer and UndefinedBehaviorSanitizer. Between the two it
# builds the Debian package and checks it. Then the fuzz targets run for a few seconds each
# (FUZZ_SECONDS, 5) from their seed corpora.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure)

# --- The Debian package, made from the build above and checked as installed -------------------
scripts/check-package.sh build
# -------------------------------------------------------------------------------------------------

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTOVRA_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-sanitize && ctest --output-on-failure)

JOBS="$jobs" scripts/fuzz.sh "${FUZZ_SECONDS:-5}" build-fuzz
