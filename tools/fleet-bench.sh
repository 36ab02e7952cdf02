#!/bin/sh
# Times tavelin with one thread against two (the native-release build) on
# the synthetic log of 1 GiB that tests/evtx/evtx_synth writes, and on a
# folder of 100 synthetic logs of 60 MB, each of a computer of its own (the
# same log copied would be passed over as read twice): wall time, user time,
# peak memory and the speed-up of two threads. Each run is made twice and
# the second counts (the files are then in the page cache). The output of
# both thread counts is compared byte for byte.
#   tools/fleet-bench.sh [COMMAND OPTION...]    (default: last --format json)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bin=$build/native-release
out=$build/bench
mkdir -p "$out"
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (package 'time')" >&2; exit 1; }
[ $# -gt 0 ] || set -- last --format json

cmake --preset native-release >/dev/null
cmake --build --preset native-release --target tavelin evtx_synth >/dev/null
synthetic=$build/synthetic-1g.evtx
[ -f "$synthetic" ] || "$bin/tests/evtx/evtx_synth" "$synthetic" 1024 >/dev/null
copies=$build/fleet-computers
if [ ! -f "$copies/100/Security.evtx" ]; then
  for i in $(seq 1 100); do
    mkdir -p "$copies/$i"
    "$bin/tests/evtx/evtx_synth" "$copies/$i/Security.evtx" 58 "WS-$i.corp.example" >/dev/null
  done
fi

echo "$(nproc) cores; tavelin $*"
printf "%-22s %5s %8s %8s %9s %8s\n" input jobs "wall s" "user s" "peak MB" speed-up
# measure LABEL INPUT COMMAND...: one line per thread count.
measure() {
  label=$1 input=$2
  shift 2
  base=""
  for jobs in 1 2; do
    for run in 1 2; do
      /usr/bin/time -f "%e %U %M" -o "$out/time.txt" "$bin/cli/tavelin" "$@" --jobs "$jobs" "$input" \
        >"$out/rows-$jobs.txt" 2>/dev/null || true
    done
    read -r wall user rss <"$out/time.txt"
    [ -n "$base" ] || base=$wall
    awk -v l="$label" -v j="$jobs" -v w="$wall" -v u="$user" -v r="$rss" -v b="$base" \
      'BEGIN { printf "%-22s %5s %8.2f %8.2f %9.1f %8.2f\n", l, j, w, u, r / 1024, b / w }'
  done
  cmp -s "$out/rows-1.txt" "$out/rows-2.txt" || echo "  the output of 1 and 2 threads differs" >&2
}
measure "1 GiB log" "$synthetic" "$@"
measure "100 x 60 MB computers" "$copies" "$@"
