#!/bin/sh
# Installs what is needed, builds, and runs every test: the full build, then
# the program again under AddressSanitizer and UndefinedBehaviorSanitizer, the
# watcher's threads (passes, lookups, mail), the fetcher and the mail sender
# under ThreadSanitizer, and a short run of every fuzz target.
set -eu
cd "$(dirname "$0")/.."

# Where the time goes: each phase says how long the command has run.
begun=$(date +%s)
phase() {
    echo "$1 (at $(($(date +%s) - begun)) s)"
}

./scripts/install-deps.sh
phase "Building the program, its tests and tools"
./scripts/build.sh

phase "Building the program with AddressSanitizer and UndefinedBehaviorSanitizer"
# Line tables are all a sanitizer's report needs, and much cheaper to build.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DZELMORA_CORE_ONLY=OFF \
    -DZELMORA_SANITIZE=address,undefined > build-asan.log 2>&1 || { cat build-asan.log; exit 1; }
cmake --build build-asan --parallel 2 --target zelmora_unit_tests zelmora_integration_tests zelmora_gui_tests \
    zelmora_tray_check >> build-asan.log 2>&1 || { tail -50 build-asan.log; exit 1; }

phase "Building the core with ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DZELMORA_CORE_ONLY=ON \
    -DZELMORA_SANITIZE=thread > build-tsan.log 2>&1 || { cat build-tsan.log; exit 1; }
cmake --build build-tsan --parallel 2 --target zelmora_integration_tests >> build-tsan.log 2>&1 || { tail -50 build-tsan.log; exit 1; }

# The fuzz targets build while the tests, which mostly wait, run.
./scripts/fuzz.sh --build > /dev/null 2>&1 &
fuzz_build=$!

passed=0
failed=0
skipped=0
run_suite() {
    name=$1
    shift
    phase "== $name"
    log=$(mktemp)
    status=0
    ctest "$@" --output-on-failure --timeout 300 > "$log" 2>&1 || status=$?
    cat "$log"
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)
    skips=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Skipped\)$' "$log" || true)
    rm -f "$log"
    if [ -z "$line" ]; then
        echo "$name: no test result (ctest exit $status)"
        failed=$((failed + 1))
        return
    fi
    total=$(echo "$line" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$line" | sed -E 's/.*, ([0-9]+) tests? failed.*/\1/')
    passed=$((passed + total - bad - skips))
    failed=$((failed + bad))
    skipped=$((skipped + skips))
}

run_suite "all tests" --test-dir build --parallel 2
# Leaks of the system's libraries are suppressed by name in tests/lsan.supp.
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
# The pictures' tests (fitting at every scale and face, the art, the
# screenshot) find no memory fault the other tests do not; they run once, above.
run_suite "all tests under AddressSanitizer and UndefinedBehaviorSanitizer" --test-dir build-asan --parallel 2 \
    -L "unit|integration|gui" -E "^FittingTest|^Art\.|ScreenshotOfTheMainWindow"
unset LSAN_OPTIONS
run_suite "the watcher, fetcher and mail under ThreadSanitizer" --test-dir build-tsan --parallel 2 -R "Watcher|PageFetcher|SmtpMail|MailSender"

# One test per fuzz target: its seeds, its kept findings and a few seconds.
phase "== fuzz targets"
wait "$fuzz_build" || true
log=$(mktemp)
./scripts/fuzz.sh --smoke > "$log" 2>&1 || true
cat "$log"
smoke_passed=$(grep -c ': .* no finding' "$log" || true)
smoke_failed=$(grep -c ': .* FINDING ' "$log" || true)
if [ "$smoke_passed" -eq 0 ] && [ "$smoke_failed" -eq 0 ]; then
    smoke_failed=1
fi
rm -f "$log"
passed=$((passed + smoke_passed))
failed=$((failed + smoke_failed))

echo "Main window screenshot: $(pwd)/build/screenshots/main-window.png"
phase "Done"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
