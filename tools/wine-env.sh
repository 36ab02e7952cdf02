# Sourced by the Wine scripts: the environment every Wine run of this project
# is pinned to (Russian user locale: ANSI 1251, OEM 866, dd.MM.yyyy; a fixed
# time zone with daylight saving; no debugger, no menu entries, no Mono).
export WINEDEBUG=-all
export WINEARCH=win64
export LC_ALL=ru_RU.UTF-8
export TZ=Europe/Berlin
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"

# wine_prefix_template DIR [desktop]: makes DIR a ready Wine prefix once (8 to
# 15 s). Without "desktop" Wine manages no windows (for virtual displays).
wine_prefix_template() {
  local dir=$1 desktop=${2:-}
  [ -f "$dir/.ready" ] && return 0
  rm -rf "$dir"
  mkdir -p "$dir"
  WINEPREFIX=$dir wineboot -i </dev/null >/dev/null 2>&1
  # Without a window manager every hide or destroy of a top-level window
  # waits 2 s unless Wine manages no windows.
  [ -n "$desktop" ] || WINEPREFIX=$dir wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    </dev/null >/dev/null 2>&1
  # Debian's Wine does not find the fonts of fonts-wine by itself.
  mkdir -p "$dir/drive_c/windows/Fonts"
  for f in /usr/share/wine/fonts/*; do
    [ -e "$f" ] && ln -sf "$f" "$dir/drive_c/windows/Fonts/"
  done
  WINEPREFIX=$dir wineserver -w
  touch "$dir/.ready"
}

# start_xvfb FILE: starts a virtual display on a free number, writes
# "DISPLAY PID" into FILE.
start_xvfb() {
  local out=$1 numfile
  numfile=$(mktemp)
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" \
    </dev/null >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 100); do
    [ -s "$numfile" ] && break
    sleep 0.1
  done
  echo ":$(head -n1 "$numfile") $pid" >"$out"
  rm -f "$numfile"
}
