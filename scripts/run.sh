#!/bin/sh
# Installs what is needed, builds and starts Zelmora.
#
#   ./scripts/run.sh          demo: the local market simulator serves the quote
#                             pages; program folder build/program/
#   ./scripts/run.sh --live   the real quote service; program folder build/program-live/
#
# Without a display it runs on a virtual one and keeps a fresh screenshot of
# the main window in a file whose path it prints.
set -eu
cd "$(dirname "$0")/.."

mode=demo
[ "${1:-}" = "--live" ] && mode=live

./scripts/install-deps.sh
./scripts/build.sh

if [ "$mode" = demo ]; then
    program="$(pwd)/build/program"
else
    program="$(pwd)/build/program-live"
fi
mkdir -p "$program"
cp build/src/app/zelmora build/src/rules/zelmora-rules "$program/"

simulator_pid=""
cleanup() {
    [ -n "$simulator_pid" ] && kill "$simulator_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if [ "$mode" = demo ]; then
    port=47823
    build/tools/zelmora-market-sim --port "$port" > build/market-sim.log 2>&1 &
    simulator_pid=$!
    sleep 0.5
    if ! kill -0 "$simulator_pid" 2>/dev/null; then
        echo "The market simulator could not start on port $port:"
        cat build/market-sim.log
        exit 1
    fi
    echo "Market simulator: http://127.0.0.1:$port/q?s=7203.t"
    if [ ! -f "$program/base_data.ini" ]; then
        # The demo list; the file is Shift_JIS with CRLF like every settings file.
        printf '[MEIGARA_DATA]\r\nKOSUU=5\r\nNUM0=7203\r\nSIJOU0=東証\r\nMESSAGE0=デモ\r\nNUM1=6758\r\nSIJOU1=東証\r\nNUM2=9984\r\nSIJOU2=東証\r\nNUM3=9432\r\nSIJOU3=東証\r\nNUM4=8306\r\nSIJOU4=名証\r\n[LINK_JOUHOU]\r\nBASE_URL=http://127.0.0.1:%s/q?s=銘柄.市場\r\n[SPECIALKEY]\r\nTEKIJI_URL=http://127.0.0.1:%s/inbs/xbrl=1/\r\nTEKIJI_TOP_URL=http://127.0.0.1:%s/disclosure/\r\n' "$port" "$port" "$port" \
            | iconv -f UTF-8 -t CP932 > "$program/base_data.ini"
    fi
fi
echo "Program folder: $program"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$program/zelmora"
    exit 0
fi

shot="$(pwd)/build/screenshots/live-main-window.png"
mkdir -p "$(dirname "$shot")"
echo "No display: running on a virtual display."
echo "Screenshot of the main window, refreshed every 2 seconds: $shot"
echo "Stop with Ctrl+C (the program saves its settings as on a normal close)."
ZELMORA_SCREENSHOT="$shot" xvfb-run -a -s "-screen 0 1280x800x24" "$program/zelmora"
