#!/usr/bin/env bash
# The tweak-bar menu of the program in a real X server (run inside xvfb-run), clicked with
# xdotool where it is drawn: the button "Program" shows the group's bar below the menu,
# a click on its boolean "dumponclose" changes the setting, a second click on the button
# hides the bar. Screenshots (xwd) equal the frame dumps, which show the bars; the window's
# close then dumps the frame because of the changed setting.
# Usage: MenuWindowTest.sh RENDERER WINDOW_TOOLS (run in an empty working folder)
set -u
renderer=$1
tools=$2
source "$(dirname "$0")/WindowSession.sh"

# The menu at (10, 10), 250 wide: its title in rows 10-27, the button of its one item in
# rows 28-45. The shown bar at (10, 70), 250 x 640 in the 1280 x 720 window: its title in
# rows 70-87, the group's heading in rows 88-105, the boolean in rows 106-123.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.5; }

# The box of what is drawn below the menu, in the bar's place.
bar_ink() { "$tools" ink "$png" 0 60 300 719; }
dump_on_close() { grep -o '<dumponclose [^>]*' "$1"; }

dump
[ "$("$tools" ink "$png" 0 0 300 59)" = "10 10 259 59" ] || fail "no menu at (10, 10): $("$tools" ink "$png" 0 0 300 59)"
[ "$(bar_ink)" = none ] || fail "a bar is shown before any click: $(bar_ink)"
before=$(dump_on_close "$settings")

click 100 36
click 100 114
dump
[ "$(bar_ink)" = "10 70 259 709" ] || fail "the button did not show the bar at (10, 70), 250 x 640: $(bar_ink)"
after=$(dump_on_close "$settings")
[ "$before" != "$after" ] && echo "$after" | grep -q 'value="true"' ||
  fail "the click on the boolean did not set dumponclose: $before -> $after"

click 100 45
dump
[ "$(bar_ink)" = none ] || fail "the button's second click left the bar: $(bar_ink)"

sleep 1.1  # the dump on close gets a folder of its own second
close_and_wait
[ "$(ls -d Media/Framedumps/framedump_* | wc -l)" -gt "$dumps_made" ] || fail "no dump on close after the setting changed"
dump_on_close lastsettings.xml | grep -q 'value="true"' || fail "the stored setting is not the changed one"

report
