#!/bin/bash
# Starts UsersTavelin.exe under Wine on a virtual display and saves a
# screenshot of each tab: screenshot.sh EXE OUT_DIR [SECURITY.evtx]
# With a saved Security log, the workstation tab reads it first.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
exe=$(readlink -f "$1")
out=$(mkdir -p "$2" && cd "$2" && pwd)
log=${3:+$(readlink -f "$3")}
root=$(dirname "$exe")/../wine-shot
mkdir -p "$root"
root=$(cd "$root" && pwd)
export HOME=$root/home
mkdir -p "$HOME"
wine_prefix_template "$root/template"
export WINEPREFIX=$root/prefix
rm -rf "$WINEPREFIX"
cp -a "$root/template" "$WINEPREFIX"
start_xvfb "$root/display"
read -r display xpid <"$root/display"
export DISPLAY=$display
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xpid" 2>/dev/null || true
}
trap cleanup EXIT

(cd "$(dirname "$exe")" && setsid wine "$exe" </dev/null >/dev/null 2>&1 &)
window=""
for _ in $(seq 150); do
  window=$(xdotool search --name '^Get Tavelin$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "screenshot: the window did not appear" >&2
  exit 1
fi
sleep 2
import -window "$window" "$out/tab1.png"
# The second tab header, right of the first one, below the caption.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove "$((X + 190))" "$((Y + 33))" click 1
sleep 1
if [ -n "$log" ]; then
  # Wine shows the Unix root as drive Z:; the focus is in the computer-name box.
  xdotool type --delay 20 "Z:${log//\//\\}"
  xdotool key Return
  sleep 3
fi
import -window "$window" "$out/tab2.png"
echo "Screenshots: $out/tab1.png $out/tab2.png"
