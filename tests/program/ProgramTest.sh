#!/usr/bin/env bash
# The program without a display (SDL's offscreen driver): start-up banner, the
# configuration found under ./Media/configuration/ and loaded twice, command-line
# overrides of "camera" applied and of "renderingdevice" not, --verbose lowering only the
# log file's level, a frame dump with its folder layout and index, exit status 0; a run
# whose device creation fails, with its report, teardown and exit status 1; --help and
# /?, which leave the last run's ./lastsettings.xml as it was.
# Usage: ProgramTest.sh RENDERER (run in an empty working folder)
set -u
renderer=$1
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
has() { grep -qF -- "$2" "$1" || fail "$1 lacks \"$2\""; }
lacks() { ! grep -qF -- "$2" "$1" || fail "$1 has \"$2\""; }
export SDL_VIDEODRIVER=offscreen
export QZ_EXIT_AFTER_FRAMES=5

rm -rf run && mkdir run && cd run || exit 1
mkdir -p Media/configuration
cat > Media/configuration/test.xml <<'EOF'
<tarnwick-config>
  <app-settings><camera>
    <eye typeid="875567318" value="[0.000000, 1.000000, -7.000000]" />
    <lookat typeid="875567318" value="[0.000000, 0.000000, 0.000000]" />
    <movescaler typeid="20" value="3.000000" />
  </camera></app-settings>
  <engine-settings><renderingdevice>
    <windowtitle typeid="100" value="FromMedia" />
    <resolution typeid="1584490197" value="[320, 200]" />
  </renderingdevice></engine-settings>
</tarnwick-config>
EOF

# --- a normal run ----------------------------------------------------------------------
"$renderer" --config=test.xml --verbose --movescaler=2.5 --windowtitle=Overridden \
  --renderingdevice:vsync=false --dumponclose > out.txt 2> err.txt
status=$?
[ "$status" -eq 0 ] || fail "exit status $status of a normal run: $(tail -5 err.txt)"
head -1 out.txt | grep -qx "==============================================" || fail "no banner rule first"
has out.txt "... Starting up ..."
has out.txt "Initializing app..."
# Start-up, device creation and the device's first frame, in this order.
order=$(grep -nE "Initializing app|Initializing DirectX 11|Device created|Creating GUI resources|good to go|Performing framedump" out.txt | cut -d: -f2- | cut -c1-20 | tr '\n' '|')
[ "$order" = "Initializing app...|Initializing DirectX|Device created: D3D1|Creating GUI resourc|Aaaaaand we're good |Performing framedump|" ] ||
  fail "start-up order: $order"
# Detailed messages reach the log file only.
has Log.txt "Checking D3D11 Device"
lacks out.txt "Checking D3D11 Device"
[ -f lastsettings.xml ] || fail "no ./lastsettings.xml"
has lastsettings.xml '<windowtitle typeid="100" value="FromMedia" />'
has lastsettings.xml '<vsync typeid="30" value="true" />'
has lastsettings.xml '<movescaler typeid="20" value="2.500000" />'
# The second load reached the camera, entered after the first.
has lastsettings.xml '<eye typeid="875567318" value="[0.000000, 1.000000, -7.000000]" />'

dumps=(Media/Framedumps/framedump_*)
[ ${#dumps[@]} -eq 1 ] && [ -d "${dumps[0]}" ] || fail "not one dump folder: ${dumps[*]}"
name=$(basename "${dumps[0]}")
for file in "${name}_settings.xml" "${name}_stats.txt" "${name}_backbuffer.png"; do
  [ -f "${dumps[0]}/$file" ] || fail "dump lacks $file"
done
has "${dumps[0]}/${name}_settings.xml" "<statistics file=\"${name}_stats.txt\" />"
has "${dumps[0]}/${name}_settings.xml" "<screenshot name=\"backbuffer\" file=\"${name}_backbuffer.png\" />"
# PNG header: width and height of the back buffer.
size=$(od -An -tu1 -j16 -N8 "${dumps[0]}/${name}_backbuffer.png" | tr -s ' ')
[ "$size" = " 0 0 1 64 0 0 0 200" ] || fail "back-buffer PNG is not 320 x 200: $size"

# --- a missing configuration is read twice ---------------------------------------------
rm -f Log.txt
"$renderer" > missing.txt 2>&1 || fail "a run without configuration failed"
[ "$(grep -c 'Could not load configuration from "./Settings.xml"' Log.txt)" -eq 2 ] ||
  fail "the missing configuration was not tried twice"
lacks Log.txt "Checking D3D11 Device"

# --- device creation fails ---------------------------------------------------------------
sed 's/\[320, 200\]/[-5, -5]/' Media/configuration/test.xml > broken.xml
rm -f lastsettings.xml Log.txt
"$renderer" --config=broken.xml > broken.txt 2> broken.err
status=$?
[ "$status" -eq 1 ] || fail "exit status $status of a failed device creation"
has broken.err "Unexpected error: "
has broken.err "Could not create device. Please ensure an acceptable device with Direct3D feature level 11.0 or above is available."
has broken.err "See the logfile (./log.txt) for details."
has Log.txt "Method: qz::dx11::RenderingDevice::CreateDevice"
has Log.txt "Unexpected error: "
[ -f lastsettings.xml ] || fail "no teardown after the failure (no ./lastsettings.xml)"

# --- argument lists ----------------------------------------------------------------------
# They restore no settings, so they store none over the last run's.
cp lastsettings.xml last.xml
"$renderer" --help > help.txt 2>&1 || fail "--help failed"
cmp -s last.xml lastsettings.xml || fail "--help replaced ./lastsettings.xml"
"$renderer" '/?' > help2.txt 2>&1 || fail "/? failed"
cmp -s last.xml lastsettings.xml || fail "/? replaced ./lastsettings.xml"
for text in "* Group 'unnamed'" "--config=<string>" "--verbose=<boolean>" "* Group 'camera'" "--movescaler=<float>" \
            "* Group 'renderingdevice'" "--windowtitle=<string>" "* Group 'program'"; do
  has help.txt "$text"
  has help2.txt "$text"
done
lacks help.txt "Initializing DirectX 11"

if [ "$failures" -ne 0 ]; then
  echo "--- output of the normal run:"; cat out.txt err.txt
  echo "0 passed, $failures failed"
  exit 1
fi
echo "1 passed, 0 failed"
