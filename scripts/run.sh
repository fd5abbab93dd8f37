#!/usr/bin/env bash
# Builds Ravlin and starts the desktop program against a simulated receiver.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "${JOBS:-2}"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY is not set): the desktop program needs one."
  echo "Try: xvfb-run -a bash scripts/run.sh   or log in to a desktop session."
  exit 0
fi
exec build/bin/ravlin "$@"
