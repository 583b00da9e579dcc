#!/usr/bin/env bash
# A minute on "Spieler" against a real server of the family that limits
# requests: Debian's openarena-server (ioquake3), started on 127.0.0.1 with
# two bots, driven by zelmora-limit-session through the real windows. Not
# part of CI; it prints the figures recorded in docs/performance.md.
#   bash scripts/openarena-session.sh [build dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-60}
server=/usr/games/openarena-server
if [ ! -x "$server" ]; then
  echo "openarena-server is not installed (sudo apt-get install openarena-server)" >&2
  exit 2
fi
cmake --build "$build" --target zelmora-limit-session >/dev/null
home=$(mktemp -d)
port=27960
# Its own home: the server writes its configuration and logs there.
(cd "$home" && HOME="$home" exec "$server" +set dedicated 1 +set net_ip 127.0.0.1 \
  +set net_port "$port" +set rconpassword zelmora +set bot_enable 1 +map oa_dm1 \
  +addbot Angelyss +addbot Gargoyle >"$home/server.log" 2>&1) &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$home"' EXIT
sleep 8  # the map and the bots
"$build/tools/bench/zelmora-limit-session" --server "127.0.0.1:$port" --rcon zelmora \
  --seconds "$seconds" 2>/dev/null
