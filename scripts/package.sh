#!/usr/bin/env bash
# Builds the Debian package build/package/tessaly_VERSION_ARCH.deb from the
# optimised build and checks it with lintian.
#
#   scripts/package.sh             then: apt install ./build/package/tessaly_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSL_WERROR=ON
cmake --build "$build" -j "$(nproc)" --target tsl_installed

rm -f build/package/tessaly_*.deb
deb=$(packaging/make_deb.sh "$build" build/package)
echo "== lintian"
lintian --fail-on error --info "$deb"
echo "== $deb: $(du -h "$deb" | cut -f1) ($(stat -c %s "$deb") bytes)"
