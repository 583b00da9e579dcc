#!/usr/bin/env bash
# Builds the Debian package of Zelmora (CPack) in a release tree of its own
# and checks it with lintian, which must report no errors.
#   bash scripts/package.sh [build dir]   (default build/package)
# The package lands in the build dir as zelmora_<version>-1_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/package}
JOBS=${JOBS:-$(nproc)}
bash scripts/install-deps.sh
# Debian's hardening: fortified sources, stack protector, position
# independent code, read-only relocations bound at start.
HARDEN="-D_FORTIFY_SOURCE=2 -fstack-protector-strong -fPIE"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELMORA_BUILD_TESTS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
  -DCMAKE_CXX_FLAGS="$HARDEN" -DCMAKE_EXE_LINKER_FLAGS="-pie -Wl,-z,relro,-z,now" >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target zelmora zelmora-data zelmora-install-data \
  zelmora-changelog zelmora-manpage
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb=$(ls -t "$BUILD"/zelmora_*.deb | head -1)
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
echo "== lintian"
# Errors fail; warnings and notes are shown.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "== lintian: no errors"
