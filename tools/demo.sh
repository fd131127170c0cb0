#!/usr/bin/env bash
# Sets up the machine, builds the programs and runs the demo: the scripted
# game server and the web server (advert page, notices), then the hall
# stand-in, which starts the client with its launch line and hands it the
# table; the client's main frame shows the table pane, the player list, the
# chat with its notices and the advert page. The client shows its windows on
# $DISPLAY when there is one. Without a screen it runs on its headless display (windows
# drawn for no one, nothing polling: it sleeps while idle) and says so once,
# on its output and in its daily log. Type hall commands (state, left, quit,
# ...) on standard input; Ctrl-C ends the demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j "$(nproc)" --target gameserver webserver qevo-hall qevo-client-testapp assets

run=$(mktemp -d)
cleanup() {
    [ -n "${server:-}" ] && kill "$server" 2>/dev/null
    [ -n "${web:-}" ] && kill "$web" 2>/dev/null
    rm -rf "$run"
}
trap cleanup EXIT
build/tools/gameserver/gameserver --script tools/demo/server.script >"$run/server.out" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q '^port ' "$run/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/^port //p' "$run/server.out" | head -1)
[ -n "$port" ] || { echo "the game server did not start"; cat "$run/server.out"; exit 1; }
echo "game server on 127.0.0.1:$port"

build/tools/webserver/webserver --root build/assets/web >"$run/web.out" 2>&1 &
web=$!
for _ in $(seq 100); do grep -q '^port ' "$run/web.out" 2>/dev/null && break; sleep 0.1; done
webport=$(sed -n 's/^port //p' "$run/web.out" | head -1)
[ -n "$webport" ] || { echo "the web server did not start"; cat "$run/web.out"; exit 1; }
echo "web server on 127.0.0.1:$webport"

if [ -n "${DISPLAY:-}" ]; then
    echo "the client's main frame shows the table; closing it ends the client"
else
    echo "no DISPLAY: the client runs without a window and prints what happens"
fi
echo "hall commands: state | looker <id> <chair> | left <id> <chair> | card <id> | quit"

# The client keeps its daily log and settings in its own folder, beside the
# generated resources and skins; the hall's folder holds faces and portraits.
export QEVO_PROGRAM_DIR="$run"
export QEVO_SYSTEM_DIR="$run"
cp -r build/assets/res build/assets/skins "$run/"
printf '[SYSTEM]\r\nExePath=%s\r\n' "$root/build/assets/hall/GameHall.exe" >"$run/mirb.ini"
build/tools/hall/qevo-hall --program "$root/build/client/testapp/qevo-client-testapp" \
    --port "$port" --web "127.0.0.1:$webport" --user 1 --chair 0 --seated 4 --lookers 2 \
    --caption "Qevo demo"
