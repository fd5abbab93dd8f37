#!/usr/bin/env bash
# Builds Ravlin, starts the simulated receiver with a demo memory (a few learnt
# transmitters, no password) on a local TCP port, points a demo home folder's settings
# at it and opens the desktop program, which opens the demo data file and downloads the
# simulator's memory at start: both views are filled at once.
# The simulator stops when the program exits. Without a display a command-line demo runs
# instead (ravlin-cli info, download and show against the same simulator).
#   BUILD       build folder (default build)
#   DEMO_HOME   settings, backups and logs of the demo (default $BUILD/demo-home)
#   JOBS        parallel build jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${BUILD:-build}
DEMO_HOME=${DEMO_HOME:-$ROOT/$BUILD/demo-home}
JOBS=${JOBS:-2}

bash scripts/setup.sh
if [ -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" >/dev/null  # keep the folder's own configuration
else
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

HAVE_DISPLAY=1
[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && HAVE_DISPLAY=0
if [ "$HAVE_DISPLAY" = 1 ]; then
  cmake --build "$BUILD" -j "$JOBS" --target ravlin ravlin-sim ravlin-cli
else
  cmake --build "$BUILD" -j "$JOBS" --target ravlin-sim ravlin-cli
fi
BIN=$ROOT/$BUILD/bin

# ---- the simulated receiver ---------------------------------------------------------
mkdir -p "$DEMO_HOME"
SIM_LOG=$DEMO_HOME/sim.log
: >"$SIM_LOG"
"$BIN/ravlin-sim" --tcp 0 --load "$ROOT/data/Demo.rvl" >"$SIM_LOG" 2>&1 &
SIM_PID=$!
stop_sim() {
  if kill -0 "$SIM_PID" 2>/dev/null; then
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
  fi
}
trap stop_sim EXIT INT TERM

PORT=""
for _ in $(seq 1 100); do
  PORT=$(sed -n 's/^tcp \([0-9][0-9]*\).*/\1/p' "$SIM_LOG" | head -1)
  [ -n "$PORT" ] && break
  if ! kill -0 "$SIM_PID" 2>/dev/null; then break; fi
  sleep 0.1
done
if [ -z "$PORT" ]; then
  echo "The simulated receiver did not start:" >&2
  cat "$SIM_LOG" >&2
  exit 1
fi
echo "Simulated receiver listening on 127.0.0.1:$PORT (log: $SIM_LOG)"

# ---- demo settings: TCP to the simulator, the demo file and a download at start -------
bash scripts/demo-settings.sh "$DEMO_HOME" "$PORT"

if [ "$HAVE_DISPLAY" = 0 ]; then
  echo
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are not set): the desktop program"
  echo "needs one. Running the command-line demo against the simulator instead."
  echo "(For the desktop program: xvfb-run -a bash scripts/run.sh, or a desktop session.)"
  CLI=("$BIN/ravlin-cli" --home "$DEMO_HOME" --tcp "127.0.0.1:$PORT")
  echo; echo "\$ ravlin-cli info"; "${CLI[@]}" info
  OUT=$DEMO_HOME/demo-download.rvl
  rm -f "$OUT"
  echo; echo "\$ ravlin-cli download -o $OUT"; "${CLI[@]}" download -o "$OUT"
  echo; echo "\$ ravlin-cli show $OUT"; "$BIN/ravlin-cli" --home "$DEMO_HOME" show "$OUT"
  exit 0
fi

echo "Starting the desktop program (home folder $DEMO_HOME): it opens the demo file and"
echo "downloads the simulated receiver's memory."
set +e
"$BIN/ravlin" --home "$DEMO_HOME" "$@"
STATUS=$?
set -e
exit $STATUS
