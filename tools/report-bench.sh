#!/bin/sh
# Times `tavelin report` (the native-release build) on the synthetic Security
# log of 1 GiB that tests/evtx/evtx_synth writes into build/, and the page it
# makes: the tool's wall and CPU time and peak memory, the page's size, and
# the time headless chromium takes from navigation start to the page drawn
# and laid out (the page's own clock, read from a copy of the page that logs
# it; the median of RUNS). Timings swing with the machine's load, printed too.
#   tools/report-bench.sh [RUNS]
set -eu
runs=${1:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bin=$build/native-release
out=$build/bench
mkdir -p "$out"
command -v chromium >/dev/null || { echo "chromium is missing: tools/setup.sh installs it" >&2; exit 1; }

cmake --preset native-release >/dev/null
cmake --build --preset native-release --target tavelin evtx_synth >/dev/null
synthetic=$build/synthetic-1g.evtx
[ -f "$synthetic" ] || "$bin/tests/evtx/evtx_synth" "$synthetic" 1024 >/dev/null

page=$out/report-1g.html
/usr/bin/time -f "%e %U %M" -o "$out/report-time.txt" "$bin/cli/tavelin" report --utc -o "$page" "$synthetic"
read -r wall user rss < "$out/report-time.txt"

sed 's|main.append(header(), timeline(), heatMap(), failuresOverTime(), ...tables());|&\
  requestAnimationFrame(() => { document.body.offsetHeight; setTimeout(() => console.log("drawn " + Math.round(performance.now())), 0); });|' \
  "$page" > "$out/report-1g-timed.html"
drawn=$(for i in $(seq "$runs"); do
  chromium --headless --no-sandbox --disable-gpu --enable-logging=stderr --v=0 --dump-dom \
    "file://$out/report-1g-timed.html" 2>&1 >/dev/null | sed -n 's/.*"drawn \([0-9]*\)".*/\1/p'
done | sort -n | sed -n "$(( (runs + 1) / 2 ))p")

echo "log:   $(stat -c %s "$synthetic") bytes"
echo "tavelin report: ${wall} s wall, ${user} s user, peak memory $((rss / 1024)) MiB"
echo "page:  $(stat -c %s "$page") bytes"
echo "chromium: drawn ${drawn} ms after navigation start (median of $runs)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
