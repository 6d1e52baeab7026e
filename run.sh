#!/usr/bin/env bash
# Installs what is missing, builds and runs the most complete program there is: the
# particle pipeline on a generated data set once it exists, else the test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh
scripts/build.sh build/release none all qz_all_tests

pipeline=build/release/bench/particle_pipeline/particle_pipeline
if [ -x "$pipeline" ]; then
  mkdir -p out
  "$pipeline" generate --kind dambreak --type posvel --count 2000000 --output out/dambreak.raw
  exec "$pipeline" load --type posvel --input out/dambreak.raw "$@"
fi
exec ctest --test-dir build/release --output-on-failure -j "$(nproc)"
