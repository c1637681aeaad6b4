#!/usr/bin/env bash
# Installs what is needed, builds, and runs Tovra Laser Control. Arguments are passed on to the
# program (for example -log -data). With no serial adapter attached (no /dev/ttyUSB* or
# /dev/ttyACM*) and no TOVRA_PORT_PATTERN set, a simulated laser stands in on port 3; it stays
# for as long as any instance of the program started from here runs (File > Restart App starts a
# new one), and its transcript is kept.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tovra tovra-sim

lab=$(mktemp -d "${TMPDIR:-/tmp}/tovra-run.XXXXXX")
# Every instance inherits descriptor 9 on this file, and with it a shared lock: File > Restart App
# starts the new instance as a detached process that inherits the descriptor too. An exclusive
# lock on the file is granted only when the last process holding the descriptor has ended.
lock="$lab/instances.lock"
sim=
finish() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    echo "The simulated laser's transcript is kept in $lab/transcript.txt"
    rm -f "$lock"
  else
    rm -rf "$lab"
  fi
}
trap finish EXIT

if [ -z "${TOVRA_PORT_PATTERN:-}" ] && ! compgen -G '/dev/ttyUSB*' >/dev/null && ! compgen -G '/dev/ttyACM*' >/dev/null; then
  export TOVRA_PORT_PATTERN="$lab/com%d"
  build/sim/tovra-sim --link "$lab/com3" --transcript "$lab/transcript.txt" &
  sim=$!
  echo "No laser attached: a simulated laser answers on port 3 (traffic in $lab/transcript.txt)."
  timeout 10 bash -c "until [ -e '$lab/com3' ]; do sleep 0.1; done"
fi

# Runs the program with the lock held, then waits for every instance it restarted. Under Xvfb this
# runs inside xvfb-run, so that the X server too stays until the last instance ends.
run_instances='
  status=0
  (exec 9>"$0"; flock --shared 9; exec build/src/app/tovra "$@") || status=$?
  if ! flock --exclusive --nonblock "$0" true; then
    echo "The program was restarted: waiting until its last instance ends."
    flock --exclusive "$0" true
  fi
  exit "$status"'

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under Xvfb."
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$run_instances" "$lock" "$@"
else
  bash -c "$run_instances" "$lock" "$@"
fi
