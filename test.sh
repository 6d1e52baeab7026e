#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, then
# AddressSanitizer + UndefinedBehaviorSanitizer, then ThreadSanitizer for the tests
# that start threads. Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh || exit 1

jobs=$(nproc)
failed=()
summaries=()

run_suite() {
  local name=$1 folder=$2 sanitizer=$3; shift 3
  echo "=== $name: build"
  if ! scripts/build.sh "$folder" "$sanitizer" "$@"; then
    failed+=("$name (build)"); summaries+=("$name: build failed"); return
  fi
  echo "=== $name: test"
  local log="$folder/ctest.log"
  ctest --test-dir "$folder" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  summaries+=("$name: $(grep -E 'tests passed|tests failed' "$log" | tail -1)")
  [ "$status" -eq 0 ] || failed+=("$name")
}

run_suite "release" build/release none all qz_all_tests
run_suite "address+undefined" build/asan address qz_all_tests
run_suite "thread" build/tsan thread qz_all_tests

echo
echo "=== Summary"
printf '%s\n' "${summaries[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test suites passed."
