#!/bin/sh
# Times this program's .evtx reader (on both cores, and pinned to one with
# taskset) against libevtx's evtxexport and python-evtx with hyperfine: over the largest Security sample (all three),
# and over synthetic logs of 128 MiB and 1 GiB written by our writer into
# build/ (ours and evtxexport; python-evtx is too slow there). Prints
# records/s and MB/s for each, and the peak memory of each reader.
# Then the commands on one thread against just reading the bytes (cat), all
# on one core, taking turns: tavelin logons and sessions over the largest
# Security sample repeated to 60 MiB, and both over the 1 GiB log, as
# multiples of cat's median time and in GB/s; evtxexport over the 60 MiB.
# The same back to back with hyperfine (cat, then the command, 15 runs
# each), and the time tavelin takes to start: --version, and last on a log
# of no records.
#   tools/evtx-bench.sh [RUNS]
set -eu
runs=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
samples=$root/tests/data/evtx
build=$root/build
bin=$build/native-release/tests/evtx
out=$build/bench
mkdir -p "$out"

cmake --preset native-release > /dev/null
cmake --build --preset native-release --target evtx_dump evtx_synth tavelin > /dev/null
[ -f "$build/synthetic-128m.evtx" ] || "$bin/evtx_synth" "$build/synthetic-128m.evtx" 128
[ -f "$build/synthetic-1g.evtx" ] || "$bin/evtx_synth" "$build/synthetic-1g.evtx" 1024

sample=$samples/belkasoft-win10-Security.evtx
hyperfine --warmup 1 --runs "$runs" --export-json "$out/sample.json" \
  -n ours "$bin/evtx_dump --count $sample" \
  -n ours-1core "taskset -c 0 $bin/evtx_dump --count $sample" \
  -n evtxexport "evtxexport $sample > /dev/null" \
  -n python-evtx "/usr/bin/evtx_dump.py $sample > /dev/null"
hyperfine --warmup 1 --runs "$runs" --export-json "$out/synthetic-128m.json" \
  -n ours "$bin/evtx_dump --count $build/synthetic-128m.evtx" \
  -n ours-1core "taskset -c 0 $bin/evtx_dump --count $build/synthetic-128m.evtx" \
  -n evtxexport "evtxexport $build/synthetic-128m.evtx > /dev/null"
hyperfine --runs 1 --export-json "$out/synthetic-1g.json" \
  -n ours "$bin/evtx_dump --count $build/synthetic-1g.evtx" \
  -n ours-1core "taskset -c 0 $bin/evtx_dump --count $build/synthetic-1g.evtx" \
  -n evtxexport "evtxexport $build/synthetic-1g.evtx > /dev/null"

# Records per file from our reader's counters; peak memory with time -v.
count() { "$bin/evtx_dump" --count "$1" 2>&1 >/dev/null | sed -n 's/.*: \([0-9]*\) records.*/\1/p'; }
rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p'; }
{
  echo "sample $(count "$sample") $(stat -c %s "$sample")"
  echo "synthetic-128m $(count "$build/synthetic-128m.evtx") $(stat -c %s "$build/synthetic-128m.evtx")"
  echo "synthetic-1g $(count "$build/synthetic-1g.evtx") $(stat -c %s "$build/synthetic-1g.evtx")"
} > "$out/sizes.txt"
{
  echo "ours sample $(rss "$bin/evtx_dump" --count "$sample")"
  echo "ours synthetic-128m $(rss "$bin/evtx_dump" --count "$build/synthetic-128m.evtx")"
  echo "ours synthetic-1g $(rss "$bin/evtx_dump" --count "$build/synthetic-1g.evtx")"
  echo "evtxexport sample $(rss evtxexport "$sample")"
  echo "evtxexport synthetic-128m $(rss evtxexport "$build/synthetic-128m.evtx")"
  echo "python-evtx sample $(rss /usr/bin/evtx_dump.py "$sample")"
} > "$out/rss.txt"

python3 - "$out" <<'PY'
import json, sys
out = sys.argv[1]
sizes = {l.split()[0]: (int(l.split()[1]), int(l.split()[2])) for l in open(f"{out}/sizes.txt")}
rss = {(l.split()[0], l.split()[1]): l.split()[2] for l in open(f"{out}/rss.txt") if len(l.split()) == 3}
print(f"{'file':16} {'reader':12} {'mean s':>9} {'user s':>8} {'records/s':>12} {'MB/s':>8} {'peak RSS':>10}")
for name in ("sample", "synthetic-128m", "synthetic-1g"):
    records, size = sizes[name]
    for r in json.load(open(f"{out}/{name}.json"))["results"]:
        t = r["mean"]
        peak = rss.get((r["command"].replace("-1core", ""), name), "-")
        print(f"{name:16} {r['command']:12} {t:9.3f} {r['user']:8.3f} {records / t:12,.0f} "
              f"{size / t / 1e6:8.1f} {peak + ' KB' if peak != '-' else '-':>10}")
PY

# The commands against cat: the sample's chunks repeated to 60 MiB.
repeated=$build/security-60m.evtx
[ -f "$repeated" ] || python3 - "$sample" "$repeated" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
out = bytearray(data[:4096])
while len(out) < 60 << 20:
    out += data[4096:]
open(sys.argv[2], "wb").write(out)
PY
tavelin=$build/native-release/cli/tavelin
one="taskset -c 0"
# The commands and cat take turns, round after round, on one core, and the
# medians count: on a shared machine the speed of memory drifts over
# seconds, which would land on whichever command ran during a slow spell.
python3 - "$out" "$runs" "$tavelin" "$repeated" "$build/synthetic-1g.evtx" <<'PY'
import json, os, statistics, sys, time
out, runs, tavelin, repeated, big = sys.argv[1], int(sys.argv[2]), *sys.argv[3:]
os.sched_setaffinity(0, {0})
null = os.open(os.devnull, os.O_WRONLY)
quiet = [(os.POSIX_SPAWN_DUP2, null, 1), (os.POSIX_SPAWN_DUP2, null, 2)]
def timed(name, rounds, commands):
    times = {k: [] for k in commands}
    for r in range(rounds + 1):  # the first round only warms up
        for k, c in commands.items():
            start = time.perf_counter()
            _, status, _ = os.wait4(os.posix_spawnp(c[0], c, os.environ, file_actions=quiet), 0)
            if status != 0:
                sys.exit(f"{' '.join(c)} failed")
            if r > 0:
                times[k].append(time.perf_counter() - start)
    results = [{"command": k, "median": statistics.median(t), "mean": statistics.mean(t), "times": t}
               for k, t in times.items()]
    json.dump({"results": results}, open(f"{out}/{name}.json", "w"))
def commands(log):
    return {"cat": ["cat", log], "logons": [tavelin, "logons", "--jobs", "1", "--format", "csv", log],
            "sessions": [tavelin, "sessions", "--jobs", "1", log]}
timed("commands", runs * 6, commands(repeated))
timed("commands-1g", 3, commands(big))
PY
$one hyperfine -N --runs 3 --export-json "$out/evtxexport-60m.json" -n evtxexport "evtxexport $repeated" > /dev/null
echo "logons-1g peak $(rss $one "$tavelin" logons --jobs 1 --format csv "$build/synthetic-1g.evtx") KB"
python3 - "$out" "$(stat -c %s "$build/synthetic-1g.evtx")" <<'PY'
import json, sys
out, size = sys.argv[1], int(sys.argv[2])
def medians(name):
    return {r["command"]: r["median"] for r in json.load(open(f"{out}/{name}.json"))["results"]}
small = medians("commands") | medians("evtxexport-60m")
for label, results in (("60 MiB repeated Security log", small), ("1 GiB synthetic log", medians("commands-1g"))):
    print(f"{label}, medians: " + ", ".join(f"{k} {v * 1000:.1f} ms ({v / results['cat']:.1f}x cat)" for k, v in results.items()))
big = medians("commands-1g")
print("on the 1 GiB log, one core: " + ", ".join(f"{k} {size / big[k] / 1e9:.2f} GB/s" for k in ("logons", "sessions")))
PY

# Back to back, as hyperfine runs them: cat, then the command, on one core.
empty=$build/empty.evtx
[ -f "$empty" ] || "$bin/evtx_synth" "$empty" 0 > /dev/null
for log in "$repeated" "$build/synthetic-1g.evtx"; do
  name=back-to-back-$(basename "$log" .evtx)
  $one hyperfine -N --warmup 1 --runs 15 --export-json "$out/$name-logons.json" \
    -n cat "cat $log" -n logons "$tavelin logons --jobs 1 $log" > /dev/null
  $one hyperfine -N --warmup 1 --runs 15 --export-json "$out/$name-sessions.json" \
    -n cat "cat $log" -n sessions "$tavelin sessions --jobs 1 $log" > /dev/null
done
hyperfine -N --warmup 20 --runs 300 --export-json "$out/startup.json" \
  -n "tavelin --version" "$tavelin --version" -n "last on a log of no records" "$tavelin last $empty" > /dev/null
python3 - "$out" "$repeated" "$build/synthetic-1g.evtx" <<'PY'
import json, os, sys
out, logs = sys.argv[1], sys.argv[2:]
for log in logs:
    name = "back-to-back-" + os.path.basename(log)[:-5]
    for command in ("logons", "sessions"):
        r = {x["command"]: x["median"] for x in json.load(open(f"{out}/{name}-{command}.json"))["results"]}
        print(f"{os.path.basename(log)}, back to back, medians: cat {r['cat'] * 1000:.1f} ms, {command} "
              f"{r[command] * 1000:.1f} ms ({r[command] / r['cat']:.2f}x cat, {os.path.getsize(log) / r[command] / 1e9:.2f} GB/s)")
print("startup, medians: " + ", ".join(f"{x['command']} {x['median'] * 1000:.2f} ms"
                                       for x in json.load(open(f"{out}/startup.json"))["results"]))
PY
