#!/usr/bin/env bash
# Installs what is needed, builds, and runs Tovra Laser Control. Arguments are passed on to the
# program (for example -log -data). With no serial adapter attached (no /dev/ttyUSB* or
# /dev/ttyACM*) and no TOVRA_PORT_PATTERN set, a simulated laser stands in on port 3.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tovra tovra-sim

if [ -z "${TOVRA_PORT_PATTERN:-}" ] && ! compgen -G '/dev/ttyUSB*' >/dev/null && ! compgen -G '/dev/ttyACM*' >/dev/null; then
  lab=$(mktemp -d)
  export TOVRA_PORT_PATTERN="$lab/com%d"
  build/sim/tovra-sim --link "$lab/com3" --transcript "$lab/transcript.txt" &
  sim=$!
  trap 'kill $sim 2>/dev/null; rm -rf "$lab"' EXIT
  echo "No laser attached: a simulated laser answers on port 3 (traffic in $lab/transcript.txt)."
  sleep 0.5
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under Xvfb."
  xvfb-run -a -s "-screen 0 1280x1024x24" build/src/app/tovra "$@"
else
  build/src/app/tovra "$@"
fi
