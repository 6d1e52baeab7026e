#!/usr/bin/env bash
# The program in a real X server (run inside xvfb-run), driven with xdotool: the dump key,
# a mouse drag that turns the camera (the stored "camera" group changes), a resize (the
# GUI root lays out again, the "backbuffer" entry follows the new size) and the close
# button; each screenshot of the window (xwd) equals the frame dump's PNG.
# Usage: WindowTest.sh RENDERER WINDOW_TOOLS (run in an empty working folder)
set -u
renderer=$1
tools=$2
source "$(dirname "$0")/WindowSession.sh"

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
# The info text keeps to the top-right corner of whatever size the window has (right of
# the menu of tweak bars).
for image in "$first_png:1280" "$png:800"; do
  ink=$("$tools" ink "${image%:*}" 300 0 1279 719)
  read -r x0 y0 x1 y1 <<< "$ink"
  [ "$ink" != none ] && [ "$x1" -ge $(( ${image#*:} - 20 )) ] && [ "$x1" -lt "${image#*:}" ] && [ "$y0" -le 20 ] ||
    fail "no info text at the top-right corner of ${image%:*}: $ink"
done

close_and_wait
[ -f lastsettings.xml ] || fail "no ./lastsettings.xml after the close"
[ "$(camera lastsettings.xml)" = "$(camera "$settings")" ] || fail "the stored camera is not the last one"

report
