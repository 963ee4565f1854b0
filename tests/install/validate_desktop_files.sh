#!/bin/sh
# The desktop entry and the AppStream metainfo pass the freedesktop
# validators without a word. Skipped (77) without them.
set -eu
desktop=$1
metainfo=$2
command -v desktop-file-validate > /dev/null && command -v appstreamcli > /dev/null || exit 77
said=$(desktop-file-validate "$desktop" 2>&1) || { echo "$said"; exit 1; }
[ -z "$said" ] || { echo "desktop-file-validate: $said"; exit 1; }
appstreamcli validate --no-net "$metainfo"
