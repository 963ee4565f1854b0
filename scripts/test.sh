#!/bin/sh
# Installs what is needed, builds, and runs every test: the full build, then
# the core again under AddressSanitizer and UndefinedBehaviorSanitizer, and
# the watcher's threads (passes, lookups, mail), the fetcher and the mail
# sender under ThreadSanitizer.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
./scripts/build.sh

echo "Building the core with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZELMORA_CORE_ONLY=ON \
    -DZELMORA_SANITIZE=address,undefined > build-asan.log 2>&1 || { cat build-asan.log; exit 1; }
cmake --build build-asan --parallel 2 --target zelmora_unit_tests zelmora_integration_tests >> build-asan.log 2>&1 || { tail -50 build-asan.log; exit 1; }

echo "Building the core with ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DZELMORA_CORE_ONLY=ON \
    -DZELMORA_SANITIZE=thread > build-tsan.log 2>&1 || { cat build-tsan.log; exit 1; }
cmake --build build-tsan --parallel 2 --target zelmora_integration_tests >> build-tsan.log 2>&1 || { tail -50 build-tsan.log; exit 1; }

passed=0
failed=0
skipped=0
run_suite() {
    name=$1
    shift
    echo "== $name"
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
run_suite "core tests under AddressSanitizer and UndefinedBehaviorSanitizer" --test-dir build-asan --parallel 2 -L "unit|integration"
run_suite "the watcher, fetcher and mail under ThreadSanitizer" --test-dir build-tsan --parallel 2 -R "Watcher|PageFetcher|SmtpMail|MailSender"

echo "Main window screenshot: $(pwd)/build/screenshots/main-window.png"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
