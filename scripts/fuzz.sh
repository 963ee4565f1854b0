#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each for SECONDS
# (default 60), two at a time. Each target's corpus grows in
# build-fuzz/corpus/TARGET/ from the seeds in build-fuzz/seeds/TARGET/ and the
# kept findings in fuzz/findings/TARGET/; an input that breaks a target is
# written to build-fuzz/findings/TARGET/. Prints one line per target and fails
# when any target found something.
#
#   scripts/fuzz.sh [SECONDS]
#   scripts/fuzz.sh --smoke     each target over its seeds and kept findings,
#                               then 3 seconds, with a throwaway corpus
#   scripts/fuzz.sh --build     only builds the targets
set -eu
cd "$(dirname "$0")/.."

smoke=0
build_only=0
seconds=${1:-60}
case $seconds in
    --smoke) smoke=1; seconds=3 ;;
    --build) build_only=1 ;;
    ''|*[!0-9]*) echo "usage: $0 [SECONDS|--smoke|--build]" >&2; exit 2 ;;
esac
lanes=${FUZZ_LANES:-2}

# Line tables are all a finding's stack needs, and much cheaper to build.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DZELMORA_FUZZ=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG" -DZELMORA_SANITIZE=address,undefined > build-fuzz.log 2>&1 || { cat build-fuzz.log; exit 1; }
cmake --build build-fuzz --parallel 2 --target zelmora_fuzz >> build-fuzz.log 2>&1 || { tail -50 build-fuzz.log; exit 1; }
[ "$build_only" -eq 0 ] || exit 0

targets=$(cd fuzz && ls ./*_fuzz.cpp | sed 's|^\./||; s|\.cpp$||')
rm -rf build-fuzz/seeds build-fuzz/logs
build-fuzz/fuzz/zelmora_fuzz_seeds build-fuzz/seeds
mkdir -p build-fuzz/logs

# A throwaway corpus for the smoke, so a check never grows the kept one.
run_target() {
    target=$1
    if [ "$smoke" -eq 1 ]; then
        corpus=build-fuzz/smoke-corpus/$target
        rm -rf "$corpus"
    else
        corpus=build-fuzz/corpus/$target
    fi
    mkdir -p "$corpus" "build-fuzz/findings/$target"
    kept=""
    [ -d "fuzz/findings/$target" ] && kept="fuzz/findings/$target"
    # Sanitizer reports end the run; LeakSanitizer is on as well.
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$target/" \
        "$corpus" "build-fuzz/seeds/$target" $kept > "build-fuzz/logs/$target.log" 2>&1 || true
}

# Targets are dealt round-robin to the lanes; each lane runs its share in turn.
lane=0
while [ "$lane" -lt "$lanes" ]; do
    (
        n=0
        for target in $targets; do
            [ $((n % lanes)) -eq "$lane" ] && run_target "$target"
            n=$((n + 1))
        done
    ) &
    lane=$((lane + 1))
done
wait

found=0
for target in $targets; do
    log=build-fuzz/logs/$target.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    added=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -1)
    start=$(sed -n 's/.*INITED cov: \([0-9]*\).*/\1/p' "$log" | head -1)
    end=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' "$log" | tail -1)
    # A unit slower than 10 s is written too; on a busy machine that says
    # more of the machine than of the code, so it is reported, not failed.
    finding=$(sed -n 's/.*Test unit written to \(.*\)/\1/p' "$log" | grep -v '/slow-unit-' | head -1 || true)
    slow=$(sed -n 's/.*Test unit written to \(.*\/slow-unit-.*\)/\1/p' "$log" | head -1)
    if [ -z "$runs" ] && [ -z "$finding" ]; then
        finding="none written, the target ended abnormally (see $log)"
    fi
    if [ -n "$finding" ]; then
        found=$((found + 1))
        echo "$target: ${runs:-?} runs, cov ${start:-?} -> ${end:-?}, ${added:-0} new inputs, FINDING $finding"
    else
        echo "$target: $runs runs, cov ${start:-?} -> ${end:-?}, ${added:-0} new inputs, no finding${slow:+ (slow unit $slow)}"
    fi
done
[ "$found" -eq 0 ]
