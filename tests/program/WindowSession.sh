# Sourced by the window tests (run inside xvfb-run, in an empty working folder): starts
# the program in ./run with its output in out.txt and err.txt, waits for its window and
# puts it whole on the screen at (0, 0). Gives fail, finish, dump (a frame dump by the
# key, its screenshot compared with the dump's PNG), close_and_wait and report.
# Needs $renderer and $tools set.
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
unset SDL_VIDEODRIVER QZ_EXIT_AFTER_FRAMES

rm -rf run && mkdir run && cd run || exit 1
"$renderer" > out.txt 2> err.txt &
pid=$!
finish() {
  kill "$pid" 2> /dev/null
  echo "--- program output:"; tail -n 20 out.txt err.txt
  echo "0 passed, $((failures > 0 ? failures : 1)) failed"
  exit 1
}

window=$(timeout 30 xdotool search --sync --onlyvisible --name RenderWindow | head -1)
[ -n "$window" ] || { fail "no window appeared"; finish; }
# Whole on the screen, so that the screenshot holds all of it.
xdotool windowmove --sync "$window" 0 0 2> /dev/null || xdotool windowmove "$window" 0 0
xdotool windowfocus --sync "$window" 2> /dev/null || xdotool windowfocus "$window"

# Dumps: one folder per second, so each waits for a new second and for its folder. Sets
# $png and $settings to the dump's back buffer and settings copy.
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

# The close button; the program must end with status 0.
close_and_wait() {
  "$tools" close "$window" || fail "could not ask the window to close"
  for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2> /dev/null; then fail "the program did not end after the close"; finish; fi
  wait "$pid"
  local status=$?
  [ "$status" -eq 0 ] || fail "exit status $status after the close"
}

report() {
  if [ "$failures" -ne 0 ]; then
    echo "--- program output:"; tail -n 20 out.txt err.txt
    echo "0 passed, $failures failed"
    exit 1
  fi
  echo "1 passed, 0 failed"
}
