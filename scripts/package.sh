#!/usr/bin/env bash
# Builds the Debian package of Zelmora (CPack) in a release tree of its own
# and checks it with lintian, which must report no errors.
#   bash scripts/package.sh [build dir]   (default build/package)
# The package lands in the build dir as zelmora_<version>-<revision>_<arch>.deb.
#
# The tree is built as a packager builds it: from a fresh folder, with
# CMake's default generator, Unix Makefiles (which makes no folders for a
# command's outputs by itself, unlike Ninja), and Debian's build flags
# (dpkg-buildflags, all hardening on: fortified sources with
# -D_FORTIFY_SOURCE=2, stack protector, position independent code,
# read-only relocations bound at start).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/package}
JOBS=${JOBS:-$(nproc)}
bash scripts/install-deps.sh
if [ -e "$BUILD" ]; then
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    echo "$BUILD exists and is no build tree; not emptying it" >&2
    exit 1
  fi
  rm -rf "$BUILD"
fi
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS_DEB="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS_DEB="$(dpkg-buildflags --get LDFLAGS)"
# Debian 12 gives -D_FORTIFY_SOURCE=2; a system that gives none gets it.
case "$CXXFLAGS_DEB" in
  *-D_FORTIFY_SOURCE=*) ;;
  *) CXXFLAGS_DEB="$CXXFLAGS_DEB -D_FORTIFY_SOURCE=2" ;;
esac
# The package's files are stripped (no -dbgsym package is made): debug
# information would be compiled only to be thrown away. The build type None
# leaves the optimisation to Debian's flags, as debhelper does.
CXXFLAGS_DEB=$(echo " $CXXFLAGS_DEB " | sed -e 's/ -g / /g' -e 's/^ *//' -e 's/ *$//')
cmake -S . -B "$BUILD" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=None \
  -DZELMORA_BUILD_TESTS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS_DEB -fPIE" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS_DEB -pie" >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target zelmora zelmora-data zelmora-install-data \
  zelmora-changelog zelmora-manpage zelmora-icons
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb=$(ls -t "$BUILD"/zelmora_*.deb | head -1)
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
# Every compilation of the tree got the fortifying flag (the compile
# commands are written for every generator). The program itself ends up
# calling no __*_chk function: each of its fortifiable calls has a size the
# compiler proves at compile time, so lintian's note on it is overridden in
# the package (packaging/lintian-overrides).
commands=$(grep -c '"command"' "$BUILD/compile_commands.json")
fortified=$(grep '"command"' "$BUILD/compile_commands.json" | grep -c -- '-D_FORTIFY_SOURCE=' || true)
if [ "$commands" -eq 0 ] || [ "$fortified" -ne "$commands" ]; then
  echo "only $fortified of $commands compilations were fortified" >&2
  exit 1
fi
echo "== lintian"
# Errors fail; warnings and notes are shown.
lintian --fail-on error --tag-display-limit 0 --display-info "$deb"
echo "== lintian: no errors"
