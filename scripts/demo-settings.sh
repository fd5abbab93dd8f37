#!/usr/bin/env bash
# The demo's settings file: a TCP connection to the simulated receiver and the start-up
# options that fill both views at once (the demo data file opened in the File view, the
# receiver's memory downloaded into the Memory view). Only these keys are replaced, so a
# second run keeps what the user changed otherwise.
#   usage: demo-settings.sh HOME PORT
# The demo data file is copied into HOME (once): saving it must not change data/Demo.rvl.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 HOME PORT" >&2
  exit 2
fi
HOME_DIR=$1
PORT=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$HOME_DIR"
INI=$HOME_DIR/RavlinProj.ini
DEMO_FILE=$HOME_DIR/Demo.rvl
[ -f "$DEMO_FILE" ] || cp "$ROOT/data/Demo.rvl" "$DEMO_FILE"

set_key() {  # section key value
  local section=$1 key=$2 value=$3 tmp
  tmp=$(mktemp "$HOME_DIR/.ini.XXXXXX")
  touch "$INI"
  awk -v s="[$section]" -v k="$key" -v v="$value" '
    BEGIN { in_s = 0; done = 0 }
    { line = $0; sub(/\r$/, "", line) }
    line ~ /^\[/ { if (in_s && !done) { print k "=" v "\r"; done = 1 } in_s = (line == s) }
    in_s && index(line, k "=") == 1 { if (!done) { print k "=" v "\r"; done = 1 } next }
    { print $0 }
    END { if (!done) { if (!in_s) print s "\r"; print k "=" v "\r" } }' "$INI" >"$tmp"
  mv "$tmp" "$INI"
}
set_key Setup ConnectionType 1
set_key Setup IPAddress 127.0.0.1
set_key Setup IPPort "$PORT"
# The first screen shows data: the demo file and the receiver's memory (the welcome
# window would only ask for what these do).
set_key Setup Welcome 0
set_key Setup OpenDataFile 1
set_key Setup OpenDataPath "$DEMO_FILE"
set_key Setup Download 1
