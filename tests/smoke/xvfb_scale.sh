#!/usr/bin/env bash
# The real window at twice its size under Xvfb: started with --scale 2, every pixel of a
# picture of known pixels must be an exact 2x2 block below a menu strip twice as tall, and
# clicks on the window reach the game at the game pixel they were made over. After a clean
# end (SIGTERM) the size is remembered: a second start without --scale opens at the same size.
# usage: xvfb_scale.sh VELORIA_BINARY
set -u
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
tool="$here/xwd_tool.py"
NAME="xvfb scale" SCREEN=1600x1200
. "$here/xvfb_common.sh"
command -v xdotool >/dev/null || fail "xdotool is not installed"

mkdir -p "$work/game"
# A picture whose every pixel differs from its neighbours: red counts columns, green rows,
# blue tells the 256-pixel bands apart. A block off by one pixel anywhere shows.
python3 - "$work/game/pattern.bmp" <<'PY'
import struct, sys
w, h = 640, 480
stride = (w * 3 + 3) & ~3
rows = bytearray()
for y in range(h - 1, -1, -1):
    row = bytearray()
    for x in range(w):
        row += bytes((8 + 64 * (x >> 8) + 16 * (y >> 8), y & 255, x & 255))  # B, G, R
    rows += row + bytes(stride - len(row))
header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + rows)
PY
# Each click wait takes only a click at the expected game pixel, then changes the picture; so
# the test can click until it sees the change, and a click that came too early costs nothing.
cat >"$work/game/0.txt" <<'SCRIPT'
*define
caption "Veloria scale"
game
*start
bg "pattern.bmp",1
*first
clickpos %0,%1
if %0 != 100 goto *first
if %1 != 50 goto *first
bg #00ff00,1
*last
clickpos %2,%3
if %2 != 639 goto *last
if %3 != 479 goto *last
bg #0000ff,1
wait 120000
end
SCRIPT

# Clicks window point X, Y until the middle of the window shows COLOUR.
click_until() {  # click_until X Y COLOUR
  local wid deadline=$((SECONDS + 90)) seen=""
  while [ "$SECONDS" -lt "$deadline" ]; do
    wid=$(DISPLAY=":$disp" xdotool search --name "Veloria scale" 2>/dev/null | head -n 1)
    [ -n "$wid" ] && DISPLAY=":$disp" xdotool mousemove --window "$wid" "$1" "$2" click 1 2>/dev/null
    sleep 0.5
    if DISPLAY=":$disp" xwd -name "Veloria scale" -silent >"$work/click.xwd" 2>/dev/null; then
      seen=$(python3 "$tool" pixel "$work/click.xwd" 640 520)
      [ "$seen" = "$3" ] && return 0
    fi
    kill -0 "$vpid" 2>/dev/null || return 1
  done
  return 1
}

start() {  # start [veloria options...]
  DISPLAY=":$disp" SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    VELORIA_RUNTIME_DIR="$work/rt" VELORIA_CONFIG_DIR="$work/cfg" XDG_DATA_HOME="$work/data" \
    "$bin" "$@" "$work/game" >"$work/out.log" 2>&1 &
  vpid=$!
}

# Waits until the window is 1280x1000 and shows the picture's corners; leaves the dump in shot.xwd.
await_picture() {
  size="" corner="" far=""
  local deadline=$((SECONDS + 90))
  while [ "$SECONDS" -lt "$deadline" ]; do
    if DISPLAY=":$disp" xwd -name "Veloria scale" -silent >"$work/shot.xwd" 2>/dev/null; then
      size=$(python3 "$tool" size "$work/shot.xwd")
      if [ "$size" = "1280 1000" ]; then
        corner=$(python3 "$tool" pixel "$work/shot.xwd" 0 40)
        far=$(python3 "$tool" pixel "$work/shot.xwd" 1279 999)
        # pattern pixels 0,0 and 639,479
        [ "$corner" = "000008" ] && [ "$far" = "7fdf98" ] && return 0
      fi
    fi
    kill -0 "$vpid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

end_cleanly() {
  kill -TERM "$vpid"
  wait "$vpid"
  local code=$?
  vpid=""
  [ "$code" -eq 0 ] || fail "veloria exited with $code; output: $(cat "$work/out.log")"
}

start --scale 2
await_picture || fail "the window never showed the picture at 2x (size '$size', corners '$corner' '$far'); output: $(cat "$work/out.log")"
check=$(python3 "$tool" scaled "$work/shot.xwd" "$work/game/pattern.bmp" 0 40 2)
[ "$check" = "ok" ] || fail "$check"
strip=$(python3 "$tool" pixel "$work/shot.xwd" 2 39)
[ "$strip" = "f0f0f0" ] || fail "the menu strip is not 40 pixels tall (pixel 2,39 is '$strip')"
# Window point 201,141 lies over game pixel 100,50; 1279,999 over the last one, 639,479.
click_until 201 141 00ff00 || fail "a click at window 201,141 did not reach game pixel 100,50; output: $(cat "$work/out.log")"
click_until 1279 999 0000ff || fail "a click at window 1279,999 did not reach game pixel 639,479; output: $(cat "$work/out.log")"
end_cleanly

record=$(ls "$work/cfg/windows/"*.txt 2>/dev/null | head -n 1)
[ -n "$record" ] || fail "the window size was not remembered"
grep -q "^window .* 1280 1000$" "$record" || fail "the record does not hold the 2x size: $(cat "$record")"

start
await_picture || fail "the remembered size was not used (size '$size'); output: $(cat "$work/out.log")"
end_cleanly
echo "xvfb scale: every game pixel a 2x2 block, menu strip 40 pixels, clicks mapped, size remembered, clean exits"
