#!/bin/bash
# Starts the program: installs what is missing, builds it for Windows and runs
# UsersTavelin.exe under Wine. Without a display it runs on a virtual one,
# saves screenshots of both tabs and says where.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target UsersTavelin
exe=build/mingw/app/UsersTavelin.exe
if [ -z "${DISPLAY:-}" ]; then
  echo "No display is set: running on a virtual one."
  tools/screenshot.sh "$exe" build/screenshots
  exit 0
fi
. tools/wine-env.sh
export WINEPREFIX=$PWD/build/mingw/wine-user
wine_prefix_template "$WINEPREFIX" desktop
cd build/mingw/app && exec wine UsersTavelin.exe
