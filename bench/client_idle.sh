#!/usr/bin/env bash
# Idle CPU of the client started without a display: the scripted game server
# and the hall stand-in start the test client with DISPLAY unset; once it has
# entered the table it is left alone and its CPU time (all threads) and
# wake-ups are read from /proc over the measuring window.
#   bash bench/client_idle.sh [build dir] [seconds]     (defaults: build, 30)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-30}
server_exe=$build/tools/gameserver/gameserver
hall_exe=$build/tools/hall/qevo-hall
client_exe=$build/client/testapp/qevo-client-testapp
for exe in "$server_exe" "$hall_exe" "$client_exe"; do
    [ -x "$exe" ] || { echo "missing $exe: cmake --build $build --target gameserver qevo-hall qevo-client-testapp"; exit 1; }
done

run=$(mktemp -d)
server=""
hall=""
cleanup() {
    [ -n "$hall" ] && kill "$hall" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$run"
}
trap cleanup EXIT

"$server_exe" --script "$root/tools/demo/server.script" >"$run/server.out" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q '^port ' "$run/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/^port //p' "$run/server.out" | head -1)
[ -n "$port" ] || { echo "the game server did not start"; exit 1; }

# The hall reads commands from a pipe that stays open until the end.
mkfifo "$run/commands"
exec 3<>"$run/commands"
env -u DISPLAY -u WAYLAND_DISPLAY -u QEVO_HEADLESS QEVO_PROGRAM_DIR="$run" \
    "$hall_exe" --program "$client_exe" --port "$port" --user 1 --chair 0 --seated 4 \
    <&3 >"$run/hall.out" 2>&1 &
hall=$!

client=""
for _ in $(seq 200); do
    client=$(pgrep -P "$hall" | head -1 || true)
    [ -n "$client" ] && grep -q 'client: entered' "$run/hall.out" && break
    sleep 0.1
done
[ -n "$client" ] || { echo "the client did not start"; cat "$run/hall.out"; exit 1; }
sleep 2  # let the start-up settle

# CPU nanoseconds and context switches, summed over the client's threads.
cpu_ns() { cat /proc/"$client"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {print s + 0}'; }
switches() {
    cat /proc/"$client"/task/*/status 2>/dev/null |
        awk '/^(non)?voluntary_ctxt_switches/ {s += $2} END {print s + 0}'
}
cpu0=$(cpu_ns); sw0=$(switches)
sleep "$seconds"
cpu1=$(cpu_ns); sw1=$(switches)
kill -0 "$client" 2>/dev/null || { echo "the client ended early"; cat "$run/hall.out"; exit 1; }

echo "quit" >&3
wait "$hall" 2>/dev/null || true
hall=""
echo "client output:"
grep 'client: ' "$run/hall.out" | sed 's/^/  /'
echo "daily log:"
cat "$run"/*.log 2>/dev/null | grep -a 'screen' | sed 's/^/  /' || echo "  (no line about the screen)"
awk -v c="$((cpu1 - cpu0))" -v w="$((sw1 - sw0))" -v s="$seconds" 'BEGIN {
    printf "idle over %d s: %.4f%% of a core, %.1f wake-ups a second\n", s, c / (s * 1e7), w / s
}'
