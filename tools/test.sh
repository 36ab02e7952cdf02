#!/bin/bash
# Runs every test: installs what is missing, builds the native preset (the
# portable code under AddressSanitizer and UndefinedBehaviorSanitizer) and
# the mingw preset (the program and its Win32 tests), fuzzes the .evtx reader
# briefly, runs both suites (the second under Wine) and ends with the test
# runner's summary of each.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
status=0
for preset in native mingw; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
echo "== .evtx reader: 30 s of fuzzing"
tools/evtx-fuzz.sh 30 >build/fuzz.log 2>&1 || { tail -n 40 build/fuzz.log; status=1; }
tail -n 3 build/fuzz.log
for preset in native mingw; do
  echo "== $preset: tests"
  ctest --preset "$preset" -j2 || status=1
done
exit $status
