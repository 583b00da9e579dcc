#!/usr/bin/env bash
# Takes docs/screenshot.png: three test game servers (protocols 6, 22 and
# 118, with players and an rcon password), a data folder listing them and one
# address where nobody answers, then the main window is created against that
# folder, a server is selected and the window is grabbed once its ping chart
# has filled.
#   bash scripts/screenshot.sh [build dir]     (default build/screenshot)
#
# Takes docs/screenshot-countries.png: the players tab of a test game server
# whose players have public addresses, with their countries and flags from
# the real country data. Runs in a network namespace of its own (loopback
# only), so no provider lookup of those addresses can leave the machine.
#   bash scripts/screenshot.sh --countries [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."

shot_countries() {
  local build=${1:-build/screenshot}
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$build" -j "${JOBS:-$(nproc)}" --target zelmora-screenshot zelmora-testserver \
    zelmora-datagen zelmora-data zelmora-mkdemo zelmora-mkpicture
  local data
  data=$(mktemp -d)
  # shellcheck disable=SC2064
  trap "rm -rf '$data'" EXIT
  bash scripts/make-data.sh "$build" "$data"
  "$build/tools/demo/zelmora-mkdemo" "$data/Servers.dat" 127.0.0.1:28975:demo
  local netns=(unshare -rn)
  [ "$(id -u)" -eq 0 ] && netns=(unshare -n)
  # Inside: loopback up, nothing else; the test server lives as long as the
  # picture takes.
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "${netns[@]}" bash -c '
    set -euo pipefail
    ip link set lo up
    "$1/tools/testserver/zelmora-testserver" --quiet --port 28975 --protocol 118 --rcon demo \
      --hostname "^2Clan^7Server ^3Europa" --players 16 --maxclients 24 --map mp_toujane \
      --gametype tdm --delay 30 --public-addresses &
    ts=$!
    trap "kill $ts 2>/dev/null || true" EXIT
    "$1/tests/ui/zelmora-screenshot" --countries "$2" docs/screenshot-countries.png
  ' shot "$build" "$data"
  echo "docs/screenshot-countries.png written"
}

if [ "${1:-}" = "--countries" ]; then
  shift
  shot_countries "$@"
  exit 0
fi

BUILD=${1:-build/screenshot}
JOBS=${JOBS:-$(nproc)}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" -j "$JOBS" --target zelmora-screenshot zelmora-testserver \
  zelmora-datagen zelmora-data zelmora-mkdemo zelmora-mkpicture

DATA=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$DATA"
}
trap cleanup EXIT INT TERM
bash scripts/make-data.sh "$BUILD" "$DATA"
# The loopback test servers keep the sample data's made-up country.
"$BUILD/tools/datagen/zelmora-datagen" --sample "$DATA" >/dev/null
TS=$BUILD/tools/testserver/zelmora-testserver
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
