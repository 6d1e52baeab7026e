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

# The fuzz targets: clang with libFuzzer and AddressSanitizer, in a folder of their own.
# Each runs for FUZZ_SECONDS (default 30) from the seeds its seed writer makes and the
# corpus of earlier runs; a finding fails the suite and leaves its input in
# build/fuzz/artifacts/.
run_fuzz() {
  local folder=build/fuzz flags="-fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer"
  echo "=== fuzz: build"
  if [ ! -f "$folder/CMakeCache.txt" ]; then
    mkdir -p "$folder"
    if ! CC=clang CXX=clang++ cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DQZ_BUILD_BENCH=OFF -DQZ_BUILD_FUZZ=ON -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
         -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address" > "$folder.configure.log" 2>&1; then
      cat "$folder.configure.log"; rm -f "$folder/CMakeCache.txt"
      failed+=("fuzz (configure)"); summaries+=("fuzz: configure failed"); return
    fi
  fi
  if ! cmake --build "$folder" --target ppv_reader_fuzz ppv_fuzz_seeds; then
    failed+=("fuzz (build)"); summaries+=("fuzz: build failed"); return
  fi
  echo "=== fuzz: run"
  rm -rf "$folder/seeds"
  mkdir -p "$folder/seeds" "$folder/corpus/ppv_reader" "$folder/artifacts"
  if ! "$folder/fuzz/ppv_fuzz_seeds" "$folder/seeds"; then
    failed+=("fuzz (seeds)"); summaries+=("fuzz: seed writer failed"); return
  fi
  if "$folder/fuzz/ppv_reader_fuzz" -max_total_time="${FUZZ_SECONDS:-30}" -rss_limit_mb=2048 \
       -artifact_prefix="$folder/artifacts/" "$folder/corpus/ppv_reader" "$folder/seeds" \
       > "$folder/ppv_reader.log" 2>&1; then
    summaries+=("fuzz: ppv_reader_fuzz $(grep -Eo 'Done [0-9]+ runs' "$folder/ppv_reader.log" | tail -1), no finding")
  else
    tail -60 "$folder/ppv_reader.log"
    failed+=("fuzz"); summaries+=("fuzz: ppv_reader_fuzz found a failure (see $folder/artifacts/)")
  fi
}

run_suite "release" build/release none all qz_all_tests
run_suite "address+undefined" build/asan address qz_all_tests
run_suite "thread" build/tsan thread qz_all_tests
run_fuzz

echo
echo "=== Summary"
printf '%s\n' "${summaries[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test suites passed."
