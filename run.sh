#!/usr/bin/env bash
# Installs what is missing, builds and runs the most complete program there is: the
# particle pipeline on a generated data set. Output files (the data set, ./Log.txt,
# ./Media/) go to out/.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh
scripts/build.sh build/release none all

pipeline=$PWD/build/release/bench/particle_pipeline/particle_pipeline
mkdir -p out
cd out
[ -f dambreak.raw ] || "$pipeline" generate --kind dambreak --type posvel --count 2000000 --output dambreak.raw
exec "$pipeline" load --type posvel --input dambreak.raw "$@"
