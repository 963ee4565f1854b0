#!/bin/sh
# Installs everything Zelmora needs to build, run and test, from Debian packages.
set -eu

PACKAGES="
cmake
g++
make
pkg-config
qt6-base-dev
libgl-dev
libcurl4-openssl-dev
libssl-dev
openssl
ca-certificates
libgtest-dev
libgmock-dev
libbenchmark-dev
libcpp-httplib-dev
python3
python3-aiosmtpd
fonts-ipafont-gothic
xvfb
xauth
tzdata
"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    echo "Installing:$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
