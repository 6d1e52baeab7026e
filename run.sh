#!/usr/bin/env bash
# Installs what is missing, builds and runs the program: in a window where a display
# exists; otherwise for a few seconds without one (SDL's offscreen driver), after which
# it dumps the last frame and prints where the PNG is. What the program writes
# (./Log.txt, ./lastsettings.xml, ./Media/Framedumps/) goes to out/. Arguments are
# passed to the program (./run.sh --help lists them).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh
scripts/build.sh build/release none all

program=$PWD/build/release/src/renderer
mkdir -p out
cd out
if [ -n "${WAYLAND_DISPLAY:-}" ] || { [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry > /dev/null 2>&1; }; then
  exec "$program" "$@"
fi

echo "No display: running ${SECONDS_WITHOUT_DISPLAY:-3} seconds without one, then dumping the last frame."
frames=$(( ${SECONDS_WITHOUT_DISPLAY:-3} * 60 ))
SDL_VIDEODRIVER=offscreen QZ_EXIT_AFTER_FRAMES=$frames "$program" --dumponclose "$@"
dump=$(ls -td Media/Framedumps/framedump_*/ | head -1)
echo
echo "Frame dump: $PWD/${dump}$(basename "$dump")_backbuffer.png"
