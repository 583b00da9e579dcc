#!/usr/bin/env bash
# Takes docs/screenshot.png: three test game servers (protocols 6, 22 and
# 118, with players and an rcon password), a data folder listing them and one
# address where nobody answers, then the main window is created against that
# folder, a server is selected and the window is grabbed once its ping chart
# has filled.
#   bash scripts/screenshot.sh [build dir]     (default build/screenshot)
# The small windows (about, colour codes, version check, GUID list) go to
# docs/about.png, docs/colorcodes.png, docs/versioncheck.png, docs/guidlist.png:
#   bash scripts/screenshot.sh --windows [build dir]
# With --join first it takes docs/joinwindow.png instead: the join window
# over a full server (18 of 20 slots, 2 private), waiting for a slot.
#   bash scripts/screenshot.sh --join [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."

windows_screenshots() {
  local build=$1
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$build" -j "${JOBS:-$(nproc)}" --target zelmora-screenshot zelmora-datagen \
    zelmora-mkpicture
  WINDOWS_DATA=$(mktemp -d)
  trap 'rm -rf "$WINDOWS_DATA"' EXIT INT TERM
  bash scripts/make-data.sh "$build" "$WINDOWS_DATA"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/tests/ui/zelmora-screenshot" --windows \
    "$WINDOWS_DATA" docs
  echo "docs/about.png docs/colorcodes.png docs/versioncheck.png docs/guidlist.png written"
}
if [ "${1:-}" = "--windows" ]; then
  windows_screenshots "${2:-build/screenshot}"
  exit 0
fi

MODE=main
if [ "${1:-}" = "--join" ]; then
  MODE=join
  shift
fi
BUILD=${1:-build/screenshot}
JOBS=${JOBS:-$(nproc)}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" -j "$JOBS" --target zelmora-screenshot zelmora-testserver \
  zelmora-datagen zelmora-mkdemo zelmora-mkpicture

DATA=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$DATA"
}
trap cleanup EXIT INT TERM
bash scripts/make-data.sh "$BUILD" "$DATA"
TS=$BUILD/tools/testserver/zelmora-testserver

join_shot() {
  "$TS" --quiet --port 28975 --protocol 22 --rcon demo \
    --hostname '^4United ^7Offensive ^2Clanwar' --players 18 --maxclients 20 --map mp_foy \
    --gametype tdm --delay 40 & pids+=($!)
  "$BUILD/tools/demo/zelmora-mkdemo" "$DATA/Servers.dat" 127.0.0.1:28975:demo
  # Histories as the program writes them: Windows-1252, CR LF, newest last.
  printf '%b\r\n' 'Big Bob' 'J\xe4ger' '^1Zel^7mora' >"$DATA/names.txt"
  printf '%b\r\n' 'training' 'clanwar' >"$DATA/passes.txt"
  printf '[Ping]\r\naktive=1\r\n' >"$DATA/config.ini"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/tests/ui/zelmora-screenshot" \
    --join "$DATA" docs/joinwindow.png
  echo "docs/joinwindow.png written"
}
if [ "$MODE" = join ]; then
  join_shot
  exit 0
fi
"$TS" --quiet --port 28970 --protocol 6 --rcon demo --hostname '^1Zelmora ^7Demo ^3CoD1' \
  --players 8 --map mp_harbor --gametype sd --delay 38 & pids+=($!)
"$TS" --quiet --port 28971 --protocol 22 --rcon demo --hostname '^4United ^7Offensive ^2Demo' \
  --players 19 --maxclients 20 --map mp_foy --gametype tdm --delay 64 & pids+=($!)
"$TS" --quiet --port 28972 --protocol 118 --rcon demo --hostname '^5CoD2 ^7Demo ^6Server' \
  --players 12 --maxclients 24 --map mp_toujane --gametype ctf --delay 112 & pids+=($!)
"$BUILD/tools/demo/zelmora-mkdemo" "$DATA/Servers.dat" \
  127.0.0.1:28970:demo 127.0.0.1:28971:demo 127.0.0.1:28972:demo 127.0.0.1:28979
# A short ping history so the chart fills within the run.
printf '[Ping]\r\naktive=1\r\ndatenmenge=14\r\nymax=150\r\n' >"$DATA/config.ini"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/tests/ui/zelmora-screenshot" \
  "$DATA" docs/screenshot.png 3
echo "docs/screenshot.png written"
