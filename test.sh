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

# The fuzz targets: clang with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer,
# in a folder of their own.
# Every target of fuzz/fuzz_targets.txt runs for FUZZ_SECONDS (default 30) from the seeds
# its seed writer makes and the corpus of earlier runs, as many at once as there are
# cores; a finding fails the suite and leaves its input in build/fuzz/artifacts/.
run_fuzz_target() {
  local folder=$1 name=$2 max_len=$3 has_seeds=$4
  local seeds="$folder/seeds/$name" corpus="$folder/corpus/$name" log="$folder/$name.log"
  rm -rf "$seeds"; mkdir -p "$seeds" "$corpus" "$folder/artifacts"
  if [ "$has_seeds" = 1 ] && ! "$folder/fuzz/${name}_seeds" "$seeds" > "$log" 2>&1; then
    echo "$name: seed writer failed"; return 1
  fi
  # An input that takes two minutes is a finding too (a hang, or work out of proportion).
  local options=(-max_total_time="${FUZZ_SECONDS:-30}" -timeout=120 -rss_limit_mb=2048
                 -artifact_prefix="$folder/artifacts/$name-")
  [ "$max_len" != 0 ] && options+=(-max_len="$max_len")
  if "$folder/fuzz/$name" "${options[@]}" "$corpus" "$seeds" >> "$log" 2>&1; then
    echo "$name: $(grep -Eo 'Done [0-9]+ runs' "$log" | tail -1), no finding"
  else
    tail -60 "$log"; echo "$name: FOUND A FAILURE (see $folder/artifacts/)"; return 1
  fi
}

run_fuzz() {
  local folder=build/fuzz
  local flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  echo "=== fuzz: build"
  # A folder configured with other flags is configured anew.
  if [ -f "$folder/CMakeCache.txt" ] && ! grep -qxF -- "CMAKE_CXX_FLAGS:STRING=$flags" "$folder/CMakeCache.txt"; then
    rm -f "$folder/CMakeCache.txt"
  fi
  if [ ! -f "$folder/CMakeCache.txt" ]; then
    mkdir -p "$folder"
    if ! CC=clang CXX=clang++ cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DQZ_BUILD_BENCH=OFF -DQZ_BUILD_FUZZ=ON -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
         -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" > "$folder.configure.log" 2>&1; then
      cat "$folder.configure.log"; rm -f "$folder/CMakeCache.txt"
      failed+=("fuzz (configure)"); summaries+=("fuzz: configure failed"); return
    fi
  fi
  if ! cmake --build "$folder" --target qz_all_fuzz; then
    failed+=("fuzz (build)"); summaries+=("fuzz: build failed"); return
  fi
  echo "=== fuzz: run"
  local results="$folder/results" pids=() line
  rm -rf "$results"; mkdir -p "$results"
  while read -r name max_len has_seeds; do
    [ -n "$name" ] || continue
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    ( run_fuzz_target "$folder" "$name" "$max_len" "$has_seeds" > "$results/$name" 2>&1
      echo $? > "$results/$name.status" ) &
  done < "$folder/fuzz/fuzz_targets.txt"
  wait
  for status in "$results"/*.status; do
    local name; name=$(basename "$status" .status)
    cat "$results/$name"
    summaries+=("fuzz: $(tail -1 "$results/$name")")
    [ "$(cat "$status")" = 0 ] || failed+=("fuzz ($name)")
  done
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
