#!/usr/bin/env bash
# How much processor time the real window takes while the game waits for the player.
# Starts the demo under Xvfb, lets it reach its first click wait, then reads the process's
# CPU time from /proc over a measuring window and prints it as a share of one core.
# GAME_DIR "library" starts it in an empty folder instead: the game library waits then.
# READ_ALOUD=1 starts it with reading aloud on (the page is being said while it is measured).
# usage: [VELORIA_OPTIONS="--scale 2"] [READ_ALOUD=1] bench/idle_cpu.sh [VELORIA_BINARY] [GAME_DIR|library] [SECONDS]
set -u
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-$here/../build/veloria}
game=${2:-$here/../demo}
seconds=${3:-10}
settle=${SETTLE_SECONDS:-8}   # the demo's first page is typed and waiting by then

command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 1; }
work=$(mktemp -d)
xpid=""
vpid=""
cleanup() {
  [ -n "$vpid" ] && kill "$vpid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

disp=""
for n in $(seq 161 220); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then disp=$n; break; fi
done
[ -n "$disp" ] || { echo "no free display number" >&2; exit 1; }
Xvfb ":$disp" -screen 0 1600x1200x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xpid=$!
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done

what="at a click wait"
if [ "$game" = "library" ]; then
  mkdir -p "$work/game"
  what="in the game library"
else
  cp -r "$game" "$work/game"
fi
if [ -n "${READ_ALOUD:-}" ]; then mkdir -p "$work/cfg" && echo on >"$work/cfg/reading-aloud.txt"; fi
DISPLAY=":$disp" SDL_AUDIODRIVER=dummy VELORIA_RUNTIME_DIR="$work/rt" VELORIA_CONFIG_DIR="$work/cfg" \
  XDG_DATA_HOME="$work/data" \
  "$bin" ${VELORIA_OPTIONS:-} "$work/game" >"$work/out.log" 2>&1 &
vpid=$!
sleep "$settle"
kill -0 "$vpid" 2>/dev/null || { echo "veloria ended early: $(cat "$work/out.log")" >&2; exit 1; }

ticks() { awk '{print $14 + $15}' "/proc/$vpid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
w0=$(date +%s.%N)
sleep "$seconds"
t1=$(ticks)
w1=$(date +%s.%N)
python3 - "$t0" "$t1" "$w0" "$w1" "$hz" "$what" <<'PY'
import sys
t0, t1, w0, w1, hz = map(float, sys.argv[1:6])
cpu = (t1 - t0) / hz
wall = w1 - w0
print(f"idle {sys.argv[6]}: {cpu:.2f} s of CPU in {wall:.1f} s = {100 * cpu / wall:.1f}% of one core")
PY
