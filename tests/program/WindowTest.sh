#!/usr/bin/env bash
# The program in a real X server (run inside xvfb-run), driven with xdotool: the dump key,
# a mouse drag that turns the camera (the stored "camera" group changes), a resize (the
# GUI root lays out again, the "backbuffer" entry follows the new size) and the close
# button; each screenshot of the window (xwd) equals the frame dump's PNG.
# Usage: WindowTest.sh RENDERER WINDOW_TOOLS (run in an empty working folder)
set -u
renderer=$1
tools=$2
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
unset SDL_VIDEODRIVER QZ_EXIT_AFTER_FRAMES

rm -rf run && mkdir run && cd run || exit 1
"$renderer" > out.txt 2> err.txt &
pid=$!
finish() {
  kill "$pid" 2> /dev/null
  echo "--- program output:"; tail -n 20 out.txt err.txt
  echo "0 passed, $failures failed"
  exit 1
}

window=$(timeout 30 xdotool search --sync --onlyvisible --name RenderWindow | head -1)
[ -n "$window" ] || { fail "no window appeared"; finish; }
# Whole on the screen, so that the screenshot holds all of it.
xdotool windowmove --sync "$window" 0 0 2> /dev/null || xdotool windowmove "$window" 0 0
xdotool windowfocus --sync "$window" 2> /dev/null || xdotool windowfocus "$window"

# Dumps: one folder per second, so each waits for a new second and for its folder.
dumps_made=0
dump() {
  sleep 1.1
  xdotool key F12
  local deadline=$((SECONDS + 20))
  while [ "$(ls -d Media/Framedumps/framedump_* 2> /dev/null | wc -l)" -le "$dumps_made" ]; do
    [ "$SECONDS" -lt "$deadline" ] || { fail "no dump after the key"; finish; }
    sleep 0.1
  done
  dumps_made=$((dumps_made + 1))
  latest=$(ls -td Media/Framedumps/framedump_*/ | head -1)
  latest=${latest%/}
  png="$latest/$(basename "$latest")_backbuffer.png"
  settings="$latest/$(basename "$latest")_settings.xml"
  while [ ! -s "$png" ] || ! grep -q "framedump-data" "$settings" 2> /dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || { fail "dump $latest incomplete"; finish; }
    sleep 0.1
  done
  # Nothing on screen changes without input: the window still shows the dumped frame.
  xwd -silent -id "$window" -out "shot$dumps_made.xwd"
  "$tools" compare "shot$dumps_made.xwd" "$png" || fail "screenshot $dumps_made differs from $png"
}
camera() { sed -n '/<camera>/,/<\/camera>/p' "$1" | grep -E "<(eye|lookat) "; }

dump
first_png=$png
first_camera=$(camera "$settings")

# Turn the camera: left button held while the mouse moves.
xdotool mousemove --window "$window" 640 360 mousedown 1
for step in 1 2 3 4 5 6 7 8; do xdotool mousemove_relative -- 25 10; sleep 0.05; done
xdotool mouseup 1
sleep 0.5
dump
[ "$(camera "$settings")" != "$first_camera" ] || fail "the drag left the stored camera as it was: $first_camera"

# A smaller window: the back buffer, its dump and the GUI root follow.
xdotool windowsize "$window" 800 600
sleep 1
dump
size=$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ')
[ "$size" = " 0 0 3 32 0 0 2 88" ] || fail "the back buffer after the resize is not 800 x 600: $size"
# The info text keeps to the top-right corner of whatever size the window has.
for image in "$first_png:1280" "$png:800"; do
  ink=$("$tools" ink "${image%:*}")
  read -r x0 y0 x1 y1 <<< "$ink"
  [ "$ink" != none ] && [ "$x1" -ge $(( ${image#*:} - 20 )) ] && [ "$x1" -lt "${image#*:}" ] && [ "$y0" -le 20 ] ||
    fail "no info text at the top-right corner of ${image%:*}: $ink"
done

# The close button.
"$tools" close "$window" || fail "could not ask the window to close"
for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2> /dev/null; then fail "the program did not end after the close"; finish; fi
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status after the close"
[ -f lastsettings.xml ] || fail "no ./lastsettings.xml after the close"
[ "$(camera lastsettings.xml)" = "$(camera "$settings")" ] || fail "the stored camera is not the last one"

if [ "$failures" -ne 0 ]; then
  echo "--- program output:"; tail -n 20 out.txt err.txt
  echo "0 passed, $failures failed"
  exit 1
fi
echo "1 passed, 0 failed"
