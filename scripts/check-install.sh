#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the tree: the programs run from
# PREFIX/bin and find their data folder without options (ravlin-cli info, and monitor with
# the installed demo set-up, against the simulator started from the same tree with its demo
# receptions), the desktop entry passes desktop-file-validate, the file types and icons are
# in place, the manual pages format.
#   usage: check-install.sh BUILD_DIR
set -euo pipefail
BUILD=${1:?usage: check-install.sh BUILD_DIR}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/ravlin-install.XXXXXX")
SIM_PID=""
cleanup() {
  if [ -n "$SIM_PID" ] && kill -0 "$SIM_PID" 2>/dev/null; then
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

PREFIX=$WORK/prefix
cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" || {
  cat "$WORK/install.log" >&2
  fail "cmake --install failed"
}
# Nothing of the build or source tree may be what the installed programs find.
unset RAVLIN_DATA_DIR RAVLIN_HOME
export HOME=$WORK/user XDG_CONFIG_HOME=$WORK/user/config XDG_DATA_HOME=$WORK/user/data
mkdir -p "$HOME"

for f in bin/ravlin-cli bin/ravlin-sim share/ravlin/US.lng share/ravlin/DE.lng \
         share/ravlin/Rx.def share/ravlin/Tx.def share/ravlin/Demo.rvl share/ravlin/Demo.mon \
         share/ravlin/Panic.bmp share/applications/ravlin.desktop \
         share/mime/packages/ravlin.xml share/icons/hicolor/scalable/apps/ravlin.svg \
         share/icons/hicolor/48x48/apps/ravlin.png share/icons/hicolor/128x128/apps/ravlin.png \
         share/icons/hicolor/48x48/mimetypes/application-x-ravlin-data.png \
         share/icons/hicolor/scalable/mimetypes/application-x-ravlin-data.svg \
         share/man/man1/ravlin.1 share/man/man1/ravlin-cli.1; do
  [ -e "$PREFIX/$f" ] || fail "missing $f"
done
if [ -e "$BUILD/bin/ravlin" ]; then
  [ -x "$PREFIX/bin/ravlin" ] || fail "missing bin/ravlin"
  "$PREFIX/bin/ravlin" --version | grep -q '^ravlin ' || fail "ravlin --version"
fi

# The installed data folder, found from the installed program's own place.
"$PREFIX/bin/ravlin-cli" folders >"$WORK/folders.txt" || fail "ravlin-cli folders"
grep -qx "data: $PREFIX/bin/../share/ravlin" "$WORK/folders.txt" ||
  grep -qx "data: $PREFIX/share/ravlin" "$WORK/folders.txt" || {
  cat "$WORK/folders.txt" >&2
  fail "the installed data folder is not the one found"
}

# The installed simulator and command-line tool talk to each other.
"$PREFIX/bin/ravlin-sim" --tcp 0 --load "$PREFIX/share/ravlin/Demo.rvl" --demo-receptions 0.3 \
  >"$WORK/sim.log" 2>&1 &
SIM_PID=$!
PORT=""
for _ in $(seq 1 100); do
  PORT=$(sed -n 's/^tcp \([0-9][0-9]*\).*/\1/p' "$WORK/sim.log" | head -1)
  [ -n "$PORT" ] && break
  kill -0 "$SIM_PID" 2>/dev/null || break
  sleep 0.1
done
[ -n "$PORT" ] || { cat "$WORK/sim.log" >&2; fail "the installed simulator did not start"; }
"$PREFIX/bin/ravlin-cli" --tcp "127.0.0.1:$PORT" info >"$WORK/info.txt" 2>&1 || {
  cat "$WORK/info.txt" >&2
  fail "ravlin-cli info against the installed simulator"
}
[ -s "$WORK/info.txt" ] || fail "ravlin-cli info printed nothing"
"$PREFIX/bin/ravlin-cli" --home "$WORK/user/demo" --tcp "127.0.0.1:$PORT" \
  monitor "$PREFIX/share/ravlin/Demo.mon" --count 3 >"$WORK/monitor.txt" 2>&1 || {
  cat "$WORK/monitor.txt" >&2
  fail "ravlin-cli monitor with the installed demo set-up against the installed simulator"
}

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$PREFIX/share/applications/ravlin.desktop" || fail "desktop entry"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$PREFIX/share/mime/packages/ravlin.xml" || fail "mime package"
fi
if command -v update-mime-database >/dev/null; then
  update-mime-database "$PREFIX/share/mime" >/dev/null 2>&1 || fail "update-mime-database"
  grep -q 'application/x-ravlin-data:\*\.rvl' "$PREFIX/share/mime/globs" || fail "*.rvl glob"
fi
if command -v man >/dev/null; then
  for page in ravlin ravlin-cli; do
    MANWIDTH=80 man -l "$PREFIX/share/man/man1/$page.1" 2>"$WORK/man.err" >/dev/null ||
      fail "man page $page"
    [ ! -s "$WORK/man.err" ] || { cat "$WORK/man.err" >&2; fail "man page $page warns"; }
  done
fi
echo "check-install: ok ($PREFIX)"
