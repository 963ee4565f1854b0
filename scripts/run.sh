#!/bin/sh
# Installs what is needed, builds and starts Zelmora from build/program/.
# Without a display it runs on a virtual one and keeps a fresh screenshot of
# the main window in a file whose path it prints.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
./scripts/build.sh

program="$(pwd)/build/program"
mkdir -p "$program"
cp build/src/app/zelmora "$program/"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program/zelmora"
fi

shot="$(pwd)/build/screenshots/live-main-window.png"
mkdir -p "$(dirname "$shot")"
echo "No display: running on a virtual display."
echo "Screenshot of the main window, refreshed every 2 seconds: $shot"
echo "Stop with Ctrl+C (the program saves its settings as on a normal close)."
ZELMORA_SCREENSHOT="$shot" exec xvfb-run -a -s "-screen 0 1280x800x24" "$program/zelmora"
