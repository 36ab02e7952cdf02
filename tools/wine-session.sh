#!/bin/bash
# Opens and closes the Wine session of one test run:
#   wine-session.sh start BUILD_DIR KEEPALIVE_EXE
#   wine-session.sh stop BUILD_DIR
# A template prefix is made once per build folder; every run gets a fresh
# copy, its own Xvfb and a persistent wineserver. Test programs then run
# through BUILD_DIR/wine-exec.sh, which reads BUILD_DIR/wine/session.env.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
cmd=$1
root=$(cd "$2" && pwd)/wine
envfile=$root/session.env
export HOME=$root/home   # Wine writes into $HOME; keep it inside the build
export TMPDIR=$root/tmp  # and wineserver its socket folder into $TMPDIR

stop_session() {
  [ -f "$envfile" ] || return 0
  # shellcheck disable=SC1090
  . "$envfile"
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  kill "$TAVELIN_XVFB_PID" 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$envfile" "$TMPDIR"
}

case $cmd in
start)
  keepalive=$3
  mkdir -p "$root" "$HOME"
  stop_session
  mkdir -p "$TMPDIR"
  wine_prefix_template "$root/template"
  prefix=$root/prefix
  rm -rf "$prefix"
  cp -a "$root/template" "$prefix"
  start_xvfb "$root/display"
  read -r display xpid <"$root/display"
  export WINEPREFIX=$prefix DISPLAY=$display
  cat >"$envfile" <<EOV
export WINEPREFIX='$prefix' DISPLAY='$display' HOME='$HOME' TMPDIR='$TMPDIR'
export WINEDEBUG='$WINEDEBUG' WINEARCH='$WINEARCH' LC_ALL='$LC_ALL' TZ='$TZ'
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
TAVELIN_XVFB_PID=$xpid
EOV
  setsid wineserver -p </dev/null >/dev/null 2>&1
  # Wine's background processes start here with no pipe of ctest's to hold.
  wine cmd.exe /c exit 0 </dev/null >/dev/null 2>&1
  rm -f "$root/keepalive.ready"
  setsid wine "$keepalive" "Z:$root/keepalive.ready" </dev/null >/dev/null 2>&1 &
  # The first test must find the desktop running, not start it itself.
  for _ in $(seq 300); do
    [ -e "$root/keepalive.ready" ] && break
    sleep 0.1
  done
  [ -e "$root/keepalive.ready" ] || { echo "wine-session: the desktop did not come up" >&2; exit 1; }
  echo "Wine session: prefix $prefix, display $display"
  ;;
stop)
  stop_session
  echo "Wine session closed"
  ;;
*)
  echo "usage: $0 start|stop BUILD_DIR [KEEPALIVE_EXE]" >&2
  exit 2
  ;;
esac
