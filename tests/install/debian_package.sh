#!/bin/sh
# Makes the Debian package from the build tree as it was configured and
# reads it back: its fields, the dependencies dpkg-shlibdeps found, its files
# (all under /usr, whatever the build's prefix), a program that still runs
# after stripping, and lintian without an error. Skipped (77) without
# dpkg-deb or lintian.
set -eu
build=$1
app_id=$2
version=$3
for tool in dpkg-deb dpkg-shlibdeps lintian; do
    command -v $tool > /dev/null || exit 77
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/zelmora_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work"; fail "no $deb"; }

dpkg-deb -f "$deb" > "$work/fields"
field() {
    sed -n "s/^$1: //p" "$work/fields"
}
[ "$(field Package)" = zelmora ] || fail "package name: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version: $(field Version)"
[ "$(field Section)" = misc ] || fail "section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
for library in libqt6widgets6 libcurl4 libzip4 libxml2 libc6 xdg-utils; do
    field Depends | grep -q "$library" || fail "Depends lacks $library: $(field Depends)"
done

dpkg-deb -c "$deb" | awk '{ print $NF }' > "$work/files"
for file in usr/bin/zelmora usr/bin/zelmora-rules \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg" usr/share/doc/zelmora/copyright usr/share/doc/zelmora/changelog.gz \
    usr/share/man/man1/zelmora.1.gz usr/share/man/man1/zelmora-rules.1.gz usr/lib/systemd/user/zelmora.service; do
    grep -qx "./$file" "$work/files" || { cat "$work/files"; fail "the package lacks $file"; }
done
outside=$(grep -vx '\./\|\./usr/.*' "$work/files" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
for size in 16 32 48 64 128 256; do
    grep -qx "./usr/share/icons/hicolor/${size}x$size/apps/$app_id.png" "$work/files" || fail "no ${size}px icon"
done

dpkg-deb -x "$deb" "$work/root"
[ "$("$work/root/usr/bin/zelmora" --version)" = "zelmora $version" ] || fail "the packaged zelmora does not run"
grep -qx "ExecStart=/usr/bin/zelmora --headless" "$work/root/usr/lib/systemd/user/zelmora.service" ||
    fail "the user unit does not start /usr/bin/zelmora: $(cat "$work/root/usr/lib/systemd/user/zelmora.service")"
head -1 "$work/root/usr/share/doc/zelmora/copyright" |
    grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" || fail "copyright is not DEP-5"

# Errors fail; the warnings left are named in the README.
lintian --tag-display-limit 0 "$deb" > "$work/lintian" 2>&1 || true
cat "$work/lintian"
! grep -q "^E:" "$work/lintian" || fail "lintian reports errors"
echo "$(basename "$deb"): $(wc -l < "$work/files") entries, Depends: $(field Depends)"
