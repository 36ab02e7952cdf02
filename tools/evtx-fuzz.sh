#!/bin/sh
# Builds the .evtx reader's libFuzzer target with clang (ASan + UBSan) and
# runs it for SECONDS seconds, seeded with the sample logs, with each of
# their chunks on its own, and with its earlier finds (tests/data/evtx/fuzz-finds).
# Finds go to build/fuzz/artifacts/.
#   tools/evtx-fuzz.sh SECONDS [extra libFuzzer options]
set -eu
seconds=${1:?usage: tools/evtx-fuzz.sh SECONDS [libFuzzer options]}
shift
root=$(cd "$(dirname "$0")/.." && pwd)
samples=$root/tests/data/evtx
out=$root/build/fuzz
mkdir -p "$out/artifacts"

clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" $(ls "$root"/evtx/*.cpp | grep -v -e legacy_source -e _win.cpp) "$root/base/codepage.cpp" \
  "$root/tests/evtx/evtx_fuzz.cpp" -o "$out/evtx_fuzz"

# The corpus lives outside the repository and goes away afterwards.
corpus=$(mktemp -d)
seeds=$(mktemp -d)
trap 'rm -rf "$corpus" "$seeds"' EXIT
for f in "$samples"/*.evtx; do
  name=$(basename "$f" .evtx)
  cp "$f" "$seeds/$name.evtx"
  size=$(stat -c %s "$f")
  i=0
  while [ $((4096 + (i + 1) * 65536)) -le "$size" ]; do
    # The file header and one chunk: a small input that still opens.
    { head -c 4096 "$f"
      dd if="$f" bs=65536 iflag=skip_bytes,count_bytes skip=$((4096 + i * 65536)) count=65536 status=none
    } > "$seeds/$name.chunk$i"
    i=$((i + 1))
  done
done
cp "$samples"/fuzz-finds/* "$seeds/"

"$out/evtx_fuzz" -max_total_time="$seconds" -max_len=70000 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/artifacts/" "$@" "$corpus" "$seeds"
