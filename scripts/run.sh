#!/usr/bin/env bash
# Builds Ravlin and runs the demo (scripts/demo.sh): the simulated receiver with a demo
# memory that reports receptions by itself, a demo home folder whose settings point at it,
# and the desktop program, which opens the demo data file and monitor set-up and downloads
# the simulator's memory at start. Without a display a command-line demo runs instead.
#   BUILD       build folder (default build)
#   DEMO_HOME   settings, backups and logs of the demo (default $BUILD/demo-home)
#   JOBS        parallel build jobs (default 2)
#   (DEMO_EVERY and DEMO_SEED: see scripts/demo.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${BUILD:-build}
export DEMO_HOME=${DEMO_HOME:-$ROOT/$BUILD/demo-home}
JOBS=${JOBS:-2}

bash scripts/setup.sh
if [ -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" >/dev/null  # keep the folder's own configuration
else
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build "$BUILD" -j "$JOBS" --target ravlin ravlin-sim ravlin-cli
else
  cmake --build "$BUILD" -j "$JOBS" --target ravlin-sim ravlin-cli
fi
exec bash scripts/demo.sh "$ROOT/$BUILD/bin" "$@"
