#!/usr/bin/env bash
# Builds (when needed) and runs the benchmarks with their usual settings and prints every
# figure. Each figure is a ratio measured side by side in the same run; a missed target is
# reported, never failed on.
#   bench/run-all.sh [BUILD_DIR]        (default: build-bench, RelWithDebInfo)
# STEADY_SECONDS (30), EXCHANGES (500) and SOAK_MINUTES (10) change the length of the runs;
# SOAK_SEED (1) picks the soak's random faults; API_SECONDS (60) the length of each phase of bench_api.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
# The benchmarks are built only here (TOVRA_BENCH); a build folder made elsewhere gets them added.
if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVRA_BENCH=ON >/dev/null
else
  cmake -S . -B "$build" -DTOVRA_BENCH=ON >/dev/null
fi
cmake --build "$build" -j2 --target bench_exchange bench_statusupdate bench_steadystate bench_sharedport bench_soak bench_replug bench_history bench_api >/dev/null

export QT_QPA_PLATFORM=offscreen
echo "== bench_exchange"
"$build/bench/bench_exchange" --count "${EXCHANGES:-500}"
echo
echo "== bench_statusupdate"
"$build/bench/bench_statusupdate"
echo
echo "== bench_steadystate"
"$build/bench/bench_steadystate" --seconds "${STEADY_SECONDS:-30}"
echo
echo "== bench_replug"
"$build/bench/bench_replug"

echo "== bench_sharedport"
"$build/bench/bench_sharedport" --count "${EXCHANGES:-500}"
echo
echo "== bench_history"
"$build/bench/bench_history" --days "${HISTORY_DAYS:-30}"
echo
echo "== bench_soak"
"$build/bench/bench_soak" --minutes "${SOAK_MINUTES:-10}" --seed "${SOAK_SEED:-1}"
echo
echo "== bench_api"
"$build/bench/bench_api" --seconds "${API_SECONDS:-60}"
