#!/usr/bin/env bash
# scripts/build.sh <folder> <sanitizer: none|address|thread> [targets...]
# Configures once per folder (CMake re-runs itself when its inputs change) and builds.
set -euo pipefail
folder=$1; sanitizer=$2; shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
[ "$sanitizer" = none ] && sanitizer=""
mkdir -p "$folder"
if [ ! -f "$folder/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQZ_SANITIZE="$sanitizer" > "$folder.configure.log" 2>&1 \
    || { cat "$folder.configure.log"; exit 1; }
fi
cmake --build "$folder" "${@/#/--target=}"
