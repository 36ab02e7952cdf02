#!/bin/bash
# Installs what building and testing need on Debian 12 (as root or with
# sudo), and the Russian locale that the Wine runs use. Does nothing that is
# already done.
set -eu
cd "$(dirname "$0")/.."
packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine fonts-dejavu-core
  libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1
  xvfb x11-utils imagemagick xdotool locales clang libclang-rt-14-dev libevtx-utils chromium zip lintian)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  # apt's own output goes to a log; on a fresh machine this takes a minute or two.
  mkdir -p build
  log=$PWD/build/setup.log
  echo "Installing ${#missing[@]} packages (${missing[*]}); on a fresh machine this takes about 2 minutes. apt's output: $log"
  if ! { $sudo apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; } \
       >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    echo "setup: installing the packages failed; the whole output is in $log" >&2
    exit 1
  fi
  echo "Installed."
fi
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
