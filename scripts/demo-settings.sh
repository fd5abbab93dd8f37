#!/usr/bin/env bash
# The demo's settings file: a TCP connection to the simulated receiver and the start-up
# options that fill both views at once (the demo data file opened in the File view, the
# receiver's memory downloaded into the Memory view) and open the demo monitor set-up.
# Only these keys are replaced, so a second run keeps what the user changed otherwise.
#   usage: demo-settings.sh HOME PORT
# The demo data file, monitor set-up and its picture are copied into HOME (once): saving
# them must not change data/. The set-up names its picture by file name only; the copy
# names the copied picture by its whole path, which the pop-up window needs.
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
DEMO_MONITOR=$HOME_DIR/Demo.mon
DEMO_PICTURE=$HOME_DIR/Panic.bmp

copy_once() {  # source target [command that writes source's text to stdout]
  local source=$1 target=$2 tmp
  [ -f "$target" ] && return 0
  tmp=$(mktemp "$target.XXXXXX")
  if [ $# -gt 2 ]; then "${@:3}" <"$source" >"$tmp"; else cat "$source" >"$tmp"; fi
  mv "$tmp" "$target"
}
name_picture() {  # the picture field "Panic.bmp" of the set-up becomes the copy's path
  PICTURE=$DEMO_PICTURE awk '
    { i = index($0, "#Panic.bmp#") }
    i { $0 = substr($0, 1, i) ENVIRON["PICTURE"] substr($0, i + 10) }
    { print }'
}
copy_once "$ROOT/data/Demo.rvl" "$DEMO_FILE"
copy_once "$ROOT/data/Panic.bmp" "$DEMO_PICTURE"
copy_once "$ROOT/data/Demo.mon" "$DEMO_MONITOR" name_picture

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
set_key Setup OpenMonitorFile 1
set_key Setup OpenMonitorPath "$DEMO_MONITOR"
