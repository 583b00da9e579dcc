#!/usr/bin/env bash
# Puts Zelmora's data files into a folder (the folder of the executable):
# Ranges.dat and flags (sample country data), the map picture fallback and
# the sample rcon profiles and weapon and vehicle lists. Files the user
# already has are kept.
#   bash scripts/make-data.sh <build dir> <target folder>
set -euo pipefail
BUILD=$1
DEST=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$DEST/mapimgs"
if [ ! -f "$DEST/Ranges.dat" ] || [ ! -d "$DEST/flags" ]; then
  "$BUILD/tools/datagen/zelmora-datagen" "$DEST"
fi
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
