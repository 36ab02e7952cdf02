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
# With TAVELIN_CHECK_RELEASE=1 (CI sets it): the release built twice, in
# two folders at two times, must be the same bytes.
if [ "${TAVELIN_CHECK_RELEASE:-0}" = 1 ]; then
  echo "== release: built twice, compared"
  first=$(mktemp -d) second=$(mktemp -d)
  if tools/release.sh "$first" >build/release-1.log 2>&1 && tools/release.sh "$second" >build/release-2.log 2>&1 &&
     cmp "$first/SHA256SUMS" "$second/SHA256SUMS"; then
    cat "$first/SHA256SUMS"
  else
    tail -n 20 build/release-1.log build/release-2.log
    echo "release: the two builds differ or failed"
    status=1
  fi
  rm -rf "$first" "$second"
fi
exit $status
