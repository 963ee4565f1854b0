#!/bin/sh
# Resident memory of Zelmora against the least Qt 6 table dialog, both on
# the offscreen platform, read 8 s after each started. Zelmora watches five
# stocks on the local market simulator from a throwaway program folder.
#
#   bench/resident_memory.sh [build folder, default build]
set -eu
build=${1:-build}
wait_seconds=8

folder=$(mktemp -d)
simulator_pid=""
cleanup() {
    [ -n "$simulator_pid" ] && kill "$simulator_pid" 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT INT TERM

"$build/tools/zelmora-market-sim" --port 0 > "$folder/sim.out" 2>&1 &
simulator_pid=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
    grep -q '^port ' "$folder/sim.out" 2>/dev/null && break
    sleep 0.2
done
port=$(sed -n 's/^port //p' "$folder/sim.out")
[ -n "$port" ] || { echo "the market simulator did not start"; exit 1; }

printf '[MEIGARA_DATA]\r\nKOSUU=5\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=6758\r\nSIJOU1=東証\r\nNUM2=9984\r\nSIJOU2=東証\r\nNUM3=9432\r\nSIJOU3=東証\r\nNUM4=8306\r\nSIJOU4=東証\r\n[LINK_JOUHOU]\r\nBASE_URL=http://127.0.0.1:%s/q?s=銘柄.市場\r\n[SPECIALKEY]\r\nTEKIJI_URL=http://127.0.0.1:%s/inbs/\r\n' "$port" "$port" \
    | iconv -f UTF-8 -t CP932 > "$folder/base_data.ini"

# Starts a program, waits and prints its resident size in KiB.
resident_kib() {
    "$@" > /dev/null 2>&1 &
    pid=$!
    sleep "$wait_seconds"
    kib=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$kib"
}

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$folder"
zelmora=$(resident_kib "$build/src/app/zelmora" --folder "$folder")
table=$(resident_kib "$build/bench/least_table_dialog")
awk -v z="$zelmora" -v t="$table" 'BEGIN {
    printf "zelmora             %6.1f MiB\n", z / 1024
    printf "least_table_dialog  %6.1f MiB\n", t / 1024
    printf "ratio               %6.2f\n", z / t
}'
