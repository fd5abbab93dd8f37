#!/usr/bin/env bash
# The demo on built programs: starts the simulated receiver with a demo memory (a few learnt
# transmitters, no password) on a local TCP port, reporting receptions of those transmitters
# by itself every few seconds; points a demo home folder's settings at it; says what to try
# and opens the desktop program, which opens the demo data file and monitor set-up and
# downloads the simulator's memory at start: both views are filled at once, on-line mode
# shows receptions and monitor mode alarms. The simulator stops when the program exits.
# Without a display a command-line demo runs instead (ravlin-cli info, download, show,
# listen and monitor against the same simulator). scripts/run.sh builds and runs this.
#   usage: demo.sh BIN_DIR [options of ravlin]
#   DEMO_HOME   settings, backups and logs of the demo (default BIN_DIR/../demo-home)
#   DEMO_EVERY  mean seconds between the simulator's receptions (default 4)
#   DEMO_SEED   which receptions, in which order: the same seed repeats a run (default 1)
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BIN_DIR [options of ravlin]" >&2
  exit 2
fi
BIN=$(cd "$1" && pwd)
shift
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEMO_HOME=${DEMO_HOME:-$BIN/../demo-home}
DEMO_EVERY=${DEMO_EVERY:-4}
DEMO_SEED=${DEMO_SEED:-1}

HAVE_DISPLAY=1
[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && HAVE_DISPLAY=0

# ---- the simulated receiver ---------------------------------------------------------
mkdir -p "$DEMO_HOME"
DEMO_HOME=$(cd "$DEMO_HOME" && pwd)
SIM_LOG=$DEMO_HOME/sim.log
: >"$SIM_LOG"
"$BIN/ravlin-sim" --tcp 0 --load "$ROOT/data/Demo.rvl" --demo-receptions "$DEMO_EVERY" \
  --seed "$DEMO_SEED" >"$SIM_LOG" 2>&1 </dev/null &
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
echo "Simulated receiver listening on 127.0.0.1:$PORT (log: $SIM_LOG); it reports a"
echo "reception about every $DEMO_EVERY seconds while a program is connected."

# ---- demo settings: TCP to the simulator, the demo files and a download at start ------
bash "$ROOT/scripts/demo-settings.sh" "$DEMO_HOME" "$PORT"

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
  echo; echo "\$ ravlin-cli listen --count 3"; "${CLI[@]}" listen --count 3
  echo; echo "\$ ravlin-cli monitor data/Demo.mon --count 3"
  "${CLI[@]}" monitor "$ROOT/data/Demo.mon" --count 3
  exit 0
fi

# What to try: the welcome window's hints, from the language file.
echo
sed -n 's/^30[345] //p' "$ROOT/data/US.lng" | tr -d '\r'
echo
echo "Starting the desktop program (home folder $DEMO_HOME): it opens the demo file and"
echo "downloads the simulated receiver's memory."
set +e
"$BIN/ravlin" --home "$DEMO_HOME" "$@"
STATUS=$?
set -e
exit $STATUS
