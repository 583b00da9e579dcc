#!/usr/bin/env bash
# Puts Zelmora's data files into a folder (the folder of the executable):
# Ranges.dat and flags (the country data the build made in <build dir>/data
# from Debian's geoip-database, iso-codes and famfamfam-flag-png), the map
# picture fallback, the sample rcon profiles and the weapon and vehicle
# lists. Files the user already has are kept; a Ranges.dat or flag that is still the sample data of earlier
# versions is replaced.
#   bash scripts/make-data.sh <build dir> <target folder>
set -euo pipefail
BUILD=$1
DEST=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=$BUILD/data
if [ ! -f "$DATA/Ranges.dat" ] || [ ! -d "$DATA/flags" ]; then
  echo "make-data.sh: $DATA has no country data; run scripts/install-deps.sh and build the" \
    "zelmora-data target" >&2
  exit 1
fi
SAMPLE=$(mktemp -d)
trap 'rm -rf "$SAMPLE"' EXIT
"$BUILD/tools/datagen/zelmora-datagen" --sample "$SAMPLE" >/dev/null

# Copies src to dst unless dst exists and differs from the sample file old.
place() {
  if [ ! -e "$2" ] || cmp -s "$2" "$3"; then cp -f "$1" "$2"; fi
}
mkdir -p "$DEST/mapimgs" "$DEST/flags"
place "$DATA/Ranges.dat" "$DEST/Ranges.dat" "$SAMPLE/Ranges.dat"
for f in "$DATA"/flags/*.bmp; do
  n=${f##*/}
  place "$f" "$DEST/flags/$n" "$SAMPLE/flags/$n"
done
# Sample flags the real set does not have (lo.bmp) go when unchanged.
for f in "$SAMPLE"/flags/*.bmp; do
  n=${f##*/}
  if [ ! -e "$DATA/flags/$n" ] && cmp -s "$DEST/flags/$n" "$f"; then rm -f "$DEST/flags/$n"; fi
done
if [ ! -f "$DEST/mapimgs/no_map.jpg" ]; then
  "$BUILD/tools/demo/zelmora-mkpicture" "$DEST/mapimgs/no_map.jpg"
fi
if [ ! -d "$DEST/rconcfg" ]; then
  mkdir -p "$DEST/rconcfg"
  cp "$ROOT"/data/rconcfg/*.rpf "$DEST/rconcfg/"
fi
for list in weaponcfg.txt vehiclecfg.txt; do
  [ -f "$DEST/$list" ] || cp "$ROOT/data/$list" "$DEST/$list"
done
