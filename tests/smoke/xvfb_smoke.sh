#!/usr/bin/env bash
# Starts the real SDL window under Xvfb on a tiny game, grabs the X window and checks the
# picture: the red background in the client area and our menu strip above it.
# usage: xvfb_smoke.sh VELORIA_BINARY
set -u
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xpid=""
vpid=""
cleanup() {
  # The game writes its state as it ends: let it finish before its folder goes.
  [ -n "$vpid" ] && kill "$vpid" 2>/dev/null && wait "$vpid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "xvfb smoke: $*" >&2; exit 1; }

command -v Xvfb >/dev/null || fail "Xvfb is not installed"
command -v xwd >/dev/null || fail "xwd is not installed"

# Xvfb picks a free display itself and tells us which once it accepts clients: other
# copies of this test, or other users' servers, can never be mistaken for ours.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xpid=$!
for _ in $(seq 1 600); do
  [ -s "$work/display" ] && break
  kill -0 "$xpid" 2>/dev/null || break
  sleep 0.1
done
disp=$(head -n 1 "$work/display" 2>/dev/null)
[ -n "$disp" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

mkdir -p "$work/game"
# The game waits far longer than any machine needs to show it; once the picture is checked,
# SIGTERM ends it the way a desktop logging out does, which must be a clean exit.
printf '*define\ncaption "Veloria smoke"\ngame\n*start\nbg #ff0000,1\nwait 120000\nend\n' >"$work/game/0.txt"
# Graphics drivers that SDL loads keep allocations of their own; leaks are checked by the other tests.
DISPLAY=":$disp" SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" VELORIA_RUNTIME_DIR="$work/rt" VELORIA_CONFIG_DIR="$work/cfg" XDG_DATA_HOME="$work/data" \
  "$bin" "$work/game" >"$work/out.log" 2>&1 &
vpid=$!

ok=""
deadline=$((SECONDS + 90))
while [ "$SECONDS" -lt "$deadline" ]; do
  if DISPLAY=":$disp" xwd -name "Veloria smoke" -silent >"$work/shot.xwd" 2>/dev/null; then
    size=$(python3 "$here/xwd_tool.py" size "$work/shot.xwd")
    centre=$(python3 "$here/xwd_tool.py" pixel "$work/shot.xwd" 320 260)
    strip=$(python3 "$here/xwd_tool.py" pixel "$work/shot.xwd" 2 2)
    if [ "$size" = "640 500" ] && [ "$centre" = "ff0000" ] && [ "$strip" = "f0f0f0" ]; then ok=1; break; fi
  fi
  kill -0 "$vpid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$ok" ]; then
  # Say what the display held, so that a failure on a loaded machine can be understood.
  alive=no
  kill -0 "$vpid" 2>/dev/null && alive=yes
  windows=$(DISPLAY=":$disp" xwininfo -root -tree 2>&1 | grep -v '^\s*$' | head -20)
  fail "the window never showed the expected picture (size '${size:-}', centre '${centre:-}', strip '${strip:-}'); veloria running: $alive; windows: $windows; output: $(cat "$work/out.log")"
fi

kill -TERM "$vpid"
wait "$vpid"
code=$?
vpid=""
[ "$code" -eq 0 ] || fail "veloria exited with $code; output: $(cat "$work/out.log")"
echo "xvfb smoke: window $size, client red, menu strip drawn, clean exit on SIGTERM"
