#!/usr/bin/env bash
# Makes the screenshots the AppStream metainfo shows (resources/screenshots/)
# by a real run of the built program under Xvfb: a sample database, a
# sign-in, a project being monitored, then the report of every interval.
# Needs xvfb, xdotool and imagemagick (apt-get install xvfb xdotool imagemagick).
# Usage: scripts/screenshots.sh [build-folder]
set -euo pipefail
HW_ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$HW_ROOT/build}" && pwd)
for tool in xvfb-run xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install xvfb xdotool imagemagick" >&2; exit 1; }
done
WORK=$(mktemp -d "${TMPDIR:-/tmp}/hourwright-shots.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/config/Hourwright" "$WORK/data" "$WORK/run"
chmod 700 "$WORK/run"
"$BUILD/hourwright-db" init "$WORK/hwr.db" >/dev/null
"$BUILD/hourwright-db" sample "$WORK/hwr.db" --intervals 3000 >/dev/null
printf '[ConnectionSettings]\r\nDatabaseType=0\r\n[ExportSettings]\r\nDataBasePath=%s\r\n' "$WORK/hwr.db" \
  > "$WORK/config/Hourwright/options.ini"

cat > "$WORK/session.sh" <<SESSION
#!/usr/bin/env bash
set -e
export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_RUNTIME_DIR="$WORK/run"
"$BUILD/hourwright" &
sleep 4
# No window manager: the keyboard goes where the pointer is.
xdotool mousemove 470 205 click 1; sleep 0.3; xdotool type --delay 50 anna
xdotool mousemove 480 251 click 1; sleep 0.3; xdotool type --delay 50 changeme; xdotool key Return
sleep 3
xdotool mousemove 100 145 click 1; sleep 0.5; xdotool key F7; sleep 1
xdotool mousemove 600 197 click 1; sleep 0.3; xdotool type --delay 30 "Delivery notes: export to the carriers"
xdotool mousemove 500 297 click 1; sleep 6
import -window "\$(xdotool search --name '^Hourwright\$' | head -1)" "$WORK/main-window.png"
xdotool key alt+s; sleep 0.5; xdotool key r; sleep 3
xdotool mousemove 753 172 click 1; sleep 3
import -window "\$(xdotool search --name '^Project Reports\$' | head -1)" "$WORK/reports.png"
kill %1
SESSION
chmod +x "$WORK/session.sh"
xvfb-run -s '-screen 0 1024x700x24' "$WORK/session.sh"
mkdir -p "$HW_ROOT/resources/screenshots"
for shot in main-window reports; do
  convert "$WORK/$shot.png" -strip -dither None -colors 256 "PNG8:$HW_ROOT/resources/screenshots/$shot.png"
done
echo "written: resources/screenshots/main-window.png, resources/screenshots/reports.png"
