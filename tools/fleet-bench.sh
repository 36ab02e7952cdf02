#!/bin/sh
# Times tavelin with one thread against two (the native-release build): on
# the synthetic log of 1 GiB that tests/evtx/evtx_synth writes, on that log
# in a folder laid out as Windows keeps its logs (Security.evtx beside the
# LocalSessionManager log of the bundled terminal-server sample), and on a
# folder of 100 synthetic logs of 60 MB, each of a computer of its own (the
# same log copied would be passed over as read twice): the median wall time
# of RUNS (one thread and two taking turns), user time, peak memory and
# the speed-up of two threads. The output of both thread counts is compared
# byte for byte.
#   tools/fleet-bench.sh [RUNS] [COMMAND OPTION...]
#   (default: last --format csv, lastb, rdp and report -o -, each in turn)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bin=$build/native-release
out=$build/bench
mkdir -p "$out"
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (package 'time')" >&2; exit 1; }
runs=3
case ${1:-} in [0-9]*) runs=$1; shift ;; esac

cmake --preset native-release >/dev/null
cmake --build --preset native-release --target tavelin evtx_synth sample_logs >/dev/null
synthetic=$build/synthetic-1g.evtx
[ -f "$synthetic" ] || "$bin/tests/evtx/evtx_synth" "$synthetic" 1024 >/dev/null
# The folder of a terminal server, its logs named as Windows names them.
server=$build/fleet-server
mkdir -p "$server"
ln -f "$synthetic" "$server/Security.evtx" 2>/dev/null || cp "$synthetic" "$server/Security.evtx"
cp "$bin/sample/TS-LSM-Operational-sample.evtx" \
  "$server/Microsoft-Windows-TerminalServices-LocalSessionManager%4Operational.evtx"
copies=$build/fleet-computers
if [ ! -f "$copies/100/Security.evtx" ]; then
  for i in $(seq 1 100); do
    mkdir -p "$copies/$i"
    "$bin/tests/evtx/evtx_synth" "$copies/$i/Security.evtx" 58 "WS-$i.corp.example" >/dev/null
  done
fi

echo "$(nproc) cores; the median of $runs runs after one to warm the page cache, one thread and two taking turns"
printf "%-20s %-22s %4s %8s %8s %8s %8s\n" command input jobs "wall s" "user s" "peak MB" speed-up
# measure LABEL INPUT COMMAND...: one line per thread count.
measure() {
  label=$1 input=$2
  shift 2
  : >"$out/times-1.txt"
  : >"$out/times-2.txt"
  # One thread and two take turns: the machine's drift lands on both alike.
  for run in $(seq 0 "$runs"); do
    for jobs in 1 2; do
      /usr/bin/time -f "%e %U %M" -o "$out/time.txt" "$bin/cli/tavelin" "$@" --jobs "$jobs" "$input" \
        >"$out/rows-$jobs.txt" 2>/dev/null || true
      [ "$run" = 0 ] || cat "$out/time.txt" >>"$out/times-$jobs.txt"
    done
  done
  base=""
  for jobs in 1 2; do
    read -r wall user rss <<EOF
$(sort -n "$out/times-$jobs.txt" | sed -n "$(((runs + 1) / 2))p")
EOF
    [ -n "$base" ] || base=$wall
    awk -v c="$*" -v l="$label" -v j="$jobs" -v w="$wall" -v u="$user" -v r="$rss" -v b="$base" \
      'BEGIN { printf "%-20s %-22s %4s %8.2f %8.2f %8.1f %8.2f\n", c, l, j, w, u, r / 1024, b / w }'
  done
  cmp -s "$out/rows-1.txt" "$out/rows-2.txt" || echo "  the output of 1 and 2 threads differs" >&2
}
if [ $# -gt 0 ]; then
  measure "1 GiB log" "$synthetic" "$@"
  measure "terminal server" "$server" "$@"
  measure "100 x 60 MB computers" "$copies" "$@"
  exit
fi
for command in "last --format csv" lastb rdp "report -o -"; do
  # shellcheck disable=SC2086
  measure "1 GiB log" "$synthetic" $command
done
measure "terminal server" "$server" rdp
for command in "last --format csv" lastb rdp "report -o -"; do
  # shellcheck disable=SC2086
  measure "100 x 60 MB computers" "$copies" $command
done
