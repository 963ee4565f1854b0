#!/bin/sh
# The one version set in project() of CMakeLists.txt, and the release date
# beside it, are what every reader of them is told: zelmora --version, the
# package, the AppStream release list, the changelog and the manual pages.
set -eu
source=$1
build=$2
zelmora=$3
metainfo=$4
fail() {
    echo "FAIL: $*"
    exit 1
}

version=$(sed -n 's/^project(Zelmora VERSION \([0-9.]*\) .*/\1/p' "$source/CMakeLists.txt")
date=$(sed -n 's/^set(ZELMORA_RELEASE_DATE \(.*\))$/\1/p' "$source/CMakeLists.txt")
[ -n "$version" ] && [ -n "$date" ] || fail "no version or release date in CMakeLists.txt"
expect() {
    [ "$2" = "$3" ] || fail "$1 says '$2', CMakeLists.txt '$3'"
}

expect "zelmora --version" "$("$zelmora" --version)" "zelmora $version"
expect "the package" "$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")" "$version"
# Both lists put the newest release first.
expect "the metainfo's newest release" "$(grep -m1 -o '<release [^>]*>' "$metainfo")" \
    "<release version=\"$version\" date=\"$date\"/>"
expect "CHANGELOG.md's newest entry" "$(grep -m1 '^## ' "$source/CHANGELOG.md")" "## $version ($date)"
for manual in zelmora zelmora-rules; do
    expect "the manual of $manual" "$(sed -n '1s/^\.TH [^ ]* 1 "\([^"]*\)" "Zelmora \([^"]*\)".*/\2 \1/p' \
        "$build/packaging/$manual.1")" "$version $date"
done
echo "version $version of $date everywhere"
