#!/bin/sh
# Times `tavelin logons` (the native-release build) against libevtx's
# evtxexport on the same files in the same run: the largest Security sample
# and a synthetic log of 1 GiB that tests/evtx/evtx_synth writes into build/.
# Prints wall time, user time, MB/s and peak memory (/usr/bin/time -v) of
# each. On the synthetic log `tavelin logons` stops at the program's cap of
# 100000 rows, as the program does; "full read" selects no rows (--until a
# day before the log) and so reads every record.
#   tools/cli-bench.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
samples=$root/tests/data/evtx
build=$root/build
bin=$build/native-release
out=$build/bench
mkdir -p "$out"

if [ ! -x /usr/bin/time ]; then
  echo "Installing the package 'time' for /usr/bin/time -v"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y -qq time >/dev/null
fi
command -v evtxexport >/dev/null || { echo "evtxexport is missing (package libevtx-utils)" >&2; exit 1; }

cmake --preset native-release >/dev/null
cmake --build --preset native-release --target tavelin evtx_synth >/dev/null
synthetic=$build/synthetic-1g.evtx
[ -f "$synthetic" ] || "$bin/tests/evtx/evtx_synth" "$synthetic" 1024 >/dev/null
sample=$samples/belkasoft-win10-Security.evtx

# measure LABEL FILE COMMAND...: one line of figures.
measure() {
  label=$1 file=$2
  shift 2
  /usr/bin/time -v "$@" >/dev/null 2>"$out/time.txt" || true
  awk -v label="$label" -v file="$(basename "$file")" -v size="$(stat -c %s "$file")" '
    /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); wall = 0; for (i = 1; i <= n; i++) wall = wall * 60 + t[i] }
    /User time/ { user = $NF }
    /Maximum resident set size/ { rss = $NF }
    END { printf "%-30s %-28s %8.2f %8.2f %9.1f %9.1f\n", file, label, wall, user, size / wall / 1e6, rss / 1024 }
  ' "$out/time.txt"
}

printf "%-30s %-28s %8s %8s %9s %9s\n" file command "wall s" "user s" "MB/s" "peak MB"
measure "tavelin logons" "$sample" "$bin/cli/tavelin" logons "$sample"
measure "tavelin logons --format csv" "$sample" "$bin/cli/tavelin" logons --format csv "$sample"
measure "evtxexport" "$sample" evtxexport "$sample"
measure "tavelin logons (row cap)" "$synthetic" "$bin/cli/tavelin" logons "$synthetic"
measure "tavelin logons, full read" "$synthetic" "$bin/cli/tavelin" logons --until 2020-09-01 "$synthetic"
measure "tavelin sessions" "$synthetic" "$bin/cli/tavelin" sessions "$synthetic"
measure "evtxexport" "$synthetic" evtxexport "$synthetic"
