#!/bin/sh
# Makes the Debian package from the build tree and reads it back: its
# fields, the dependencies dpkg-shlibdeps found, its files, and a program
# that still runs after stripping. Skipped (77) without dpkg-deb.
set -eu
build=$1
app_id=$2
version=$3
command -v dpkg-deb > /dev/null && command -v dpkg-shlibdeps > /dev/null || exit 77

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" -D CPACK_PACKAGING_INSTALL_PREFIX=/usr \
    > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
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
for library in libqt6widgets6 libcurl4 libc6; do
    field Depends | grep -q "$library" || fail "Depends lacks $library: $(field Depends)"
done

dpkg-deb -c "$deb" | awk '{ print $NF }' > "$work/files"
for file in usr/bin/zelmora usr/bin/zelmora-rules \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    usr/share/man/man1/zelmora.1.gz usr/share/man/man1/zelmora-rules.1.gz usr/lib/systemd/user/zelmora.service; do
    grep -qx "./$file" "$work/files" || { cat "$work/files"; fail "the package lacks $file"; }
done
for size in 16 32 48 64 128 256; do
    grep -qx "./usr/share/icons/hicolor/${size}x$size/apps/$app_id.png" "$work/files" || fail "no ${size}px icon"
done

dpkg-deb -x "$deb" "$work/root"
[ "$("$work/root/usr/bin/zelmora" --version)" = "zelmora $version" ] || fail "the packaged zelmora does not run"
echo "$(basename "$deb"): $(wc -l < "$work/files") entries, Depends: $(field Depends)"
