#!/usr/bin/env bash
# Sets up, builds and runs every test: the full suite, the unit tests again under AddressSanitizer
# and UndefinedBehaviorSanitizer, a short run of each fuzz target, and last the Debian package
# (built, checked with lintian, its autopkgtests run on the installed package).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/setup.sh"

echo "== Build and run all tests"
"$top/scripts/build.sh" "$top/build"
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
ctest --test-dir "$top/build" --output-on-failure -j "$jobs" | tee -a "$summary"

echo "== Unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)"
# Only the unit tests are built here: each test's target has the test's name.
cmake -S "$top" -B "$top/build-asan" -G Ninja -DHELIXCAVERN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
mapfile -t unit_tests < <(ctest --test-dir "$top/build-asan" -L unit -N | sed -n 's/^ *Test *#[0-9]*: *//p')
cmake --build "$top/build-asan" --target "${unit_tests[@]}"
ctest --test-dir "$top/build-asan" -L unit --output-on-failure -j "$jobs" | tee -a "$summary"

fuzz_seconds=${HC_FUZZ_SECONDS:-20}
echo "== Fuzz targets built with clang and libFuzzer, ${fuzz_seconds} s each (build-fuzz)"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-fuzz" -G Ninja \
  -DHELIXCAVERN_FUZZ=ON -DHELIXCAVERN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build-fuzz" --target fuzz_settings fuzz_handle
fuzzed=0
for target in settings handle; do
  corpus="$top/build-fuzz/corpus/$target"
  log="$top/build-fuzz/fuzz_$target.log"
  mkdir -p "$corpus"
  if ! "$top/build-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$fuzz_seconds" -timeout=10 \
      "$corpus" "$top/tests/fuzz/seeds/$target" 2>"$log"; then
    tail -n 40 "$log"
    echo "fuzz_$target found a fault; the input is saved beside $log" >&2
    exit 1
  fi
  echo "fuzz_$target: $(grep -o 'Done [0-9]* runs' "$log"), no fault"
  fuzzed=$((fuzzed + 1))
done

echo "== Debian package: dpkg-buildpackage, lintian, autopkgtest (build-deb)"
"$top/scripts/package.sh" "$top/build-deb" | tee -a "$summary"
packaged=$(sed -n 's/^package: \([0-9]*\) passed, 0 failed$/\1/p' "$summary")

# One closing line over all stages; any failure has ended the script before this point.
passed=$(( $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$summary" | paste -sd+) + fuzzed + packaged ))
echo "summary: $passed passed, 0 failed"
