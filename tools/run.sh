#!/bin/bash
# Starts the program: installs what is missing, builds it for Windows and runs
# UsersTavelin.exe under Wine. Without a display it runs on a virtual one,
# saves screenshots of both tabs and says where. Before that it builds the
# command-line tool natively with the bundled sample logs and shows what it
# lists from them.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
# The command-line rows and the screenshots in the one zone of the Wine runs.
. tools/wine-env.sh
echo "Times in $TZ."
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target tavelin sample_logs
tavelin=build/native-release/cli/tavelin
sample=build/native-release/sample
echo "== tavelin logons $sample/Security-sample.evtx"
"$tavelin" logons "$sample/Security-sample.evtx"
echo "== tavelin sessions $sample/LSM-Operational-sample.evtx"
"$tavelin" sessions "$sample/LSM-Operational-sample.evtx"
echo "== tavelin last $sample/Security-sample.evtx"
"$tavelin" last "$sample/Security-sample.evtx"
echo "== tavelin lastb --summary $sample/Security-sample.evtx"
"$tavelin" lastb --summary "$sample/Security-sample.evtx"
echo "== tavelin rdp $sample/TS-*.evtx"
"$tavelin" rdp "$sample"/TS-*.evtx
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target UsersTavelin
exe=build/mingw/app/UsersTavelin.exe
if [ -z "${DISPLAY:-}" ]; then
  echo "No display is set: running on a virtual one."
  tools/screenshot.sh "$exe" build/screenshots "$sample/Security-sample.evtx"
  exit 0
fi
. tools/wine-env.sh
export WINEPREFIX=$PWD/build/mingw/wine-user
wine_prefix_template "$WINEPREFIX" desktop
cd build/mingw/app && exec wine UsersTavelin.exe
