#!/bin/sh
# Builds Zelmora in Release into build-package/ and makes the Debian
# package there: build-package/zelmora_<version>_<arch>.deb.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
# Debian's hardening flags, as a distribution's own build would use.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON > build-package.log 2>&1 || { cat build-package.log; exit 1; }
# Only what the package holds; the tests and tools stay unbuilt.
cmake --build build-package --parallel 2 --target zelmora zelmora-rules zelmora_docs >> build-package.log 2>&1 ||
    { tail -50 build-package.log; exit 1; }
(cd build-package && cpack -G DEB) >> build-package.log 2>&1 || { tail -50 build-package.log; exit 1; }
ls build-package/zelmora_*.deb
