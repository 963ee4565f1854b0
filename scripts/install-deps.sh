#!/bin/sh
# Installs everything Zelmora needs to build, run and test, from Debian packages.
set -eu

PACKAGES="
cmake
g++
clang
libclang-rt-14-dev
make
pkg-config
qt6-base-dev
qtkeychain-qt6-dev
libgl-dev
libcurl4-openssl-dev
libssl-dev
libxml2-dev
libzip-dev
openssl
ca-certificates
libgtest-dev
libgmock-dev
libbenchmark-dev
libcpp-httplib-dev
python3
python3-aiosmtpd
python3-dbusmock
dbus-daemon
dbus-bin
gnome-keyring
fonts-ipafont-gothic
fonts-noto-cjk
xvfb
xauth
trayer
openbox
tzdata
desktop-file-utils
appstream
dpkg-dev
lintian
file
util-linux
"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    echo "Installing:$missing"
    # Another install may hold the package lock for a while; wait for it.
    $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends $missing
fi
