#!/usr/bin/env bash
# Starts the real SDL window under Xvfb on a tiny game, grabs the X window and checks the
# picture: the red background in the client area and our menu strip above it.
# usage: xvfb_smoke.sh VELORIA_BINARY
set -u
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
NAME="xvfb smoke" SCREEN=1024x768
. "$here/xvfb_common.sh"

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
