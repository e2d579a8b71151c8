#!/usr/bin/env bash
# The game library under Xvfb: started in a folder without a script, the window shows the
# library (the dialogs' caption bar) listing the game of a prepared library.json; a double
# click on it plays it in the same process, and the game goes to the top of the list with
# its caption and a new time. A clean end on SIGTERM.
# usage: xvfb_library.sh VELORIA_BINARY
set -u
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
tool="$here/xwd_tool.py"
NAME="xvfb library" SCREEN=1024x768
. "$here/xvfb_common.sh"
command -v xdotool >/dev/null || fail "xdotool is not installed"

mkdir -p "$work/game" "$work/empty" "$work/data/veloria"
chmod 700 "$work/data/veloria"
printf '*define\ncaption "Veloria library smoke"\ngame\n*start\nbg #00ff00,1\nwait 120000\nend\n' >"$work/game/0.txt"
printf '{"version":1,"games":[{"caption":"old name","folder":"%s","lastPlayed":1000}]}\n' "$work/game" \
  >"$work/data/veloria/library.json"

(cd "$work/empty" && DISPLAY=":$disp" SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  VELORIA_RUNTIME_DIR="$work/rt" VELORIA_CONFIG_DIR="$work/cfg" XDG_DATA_HOME="$work/data" \
  exec "$bin") >"$work/out.log" 2>&1 &
vpid=$!

# The library: the caption bar in the dialogs' blue, the first row white below it.
ok=""
deadline=$((SECONDS + 90))
while [ "$SECONDS" -lt "$deadline" ]; do
  if DISPLAY=":$disp" xwd -name "Veloria" -silent >"$work/lib.xwd" 2>/dev/null; then
    bar=$(python3 "$tool" pixel "$work/lib.xwd" 300 14)
    [ "$bar" = "2b579a" ] && { ok=1; break; }
  fi
  kill -0 "$vpid" 2>/dev/null || break
  sleep 0.2
done
[ -n "$ok" ] || fail "the library never showed (caption bar '${bar:-}'); output: $(cat "$work/out.log")"

# Double clicks on the first row until the game's own window shows its green picture.
ok=""
deadline=$((SECONDS + 90))
while [ "$SECONDS" -lt "$deadline" ]; do
  wid=$(DISPLAY=":$disp" xdotool search --name "^Veloria$" 2>/dev/null | head -n 1)
  [ -n "$wid" ] && DISPLAY=":$disp" xdotool mousemove --window "$wid" 200 85 click --repeat 2 --delay 60 1 2>/dev/null
  sleep 0.5
  if DISPLAY=":$disp" xwd -name "Veloria library smoke" -silent >"$work/game.xwd" 2>/dev/null; then
    [ "$(python3 "$tool" pixel "$work/game.xwd" 320 260)" = "00ff00" ] && { ok=1; break; }
  fi
  kill -0 "$vpid" 2>/dev/null || break
done
[ -n "$ok" ] || fail "double clicking the listed game did not play it; output: $(cat "$work/out.log")"

# Listed again at the top, with the caption it set and a time of today.
python3 - "$work/data/veloria/library.json" "$work/game" <<'PY' || fail "library.json was not updated: $(cat "$work/data/veloria/library.json")"
import json, sys, time
games = json.load(open(sys.argv[1]))["games"]
top = games[0]
assert top["folder"] == sys.argv[2] and top["caption"] == "Veloria library smoke", top
assert time.time() - top["lastPlayed"] < 3600, top
assert len(games) == 1, games
PY

kill -TERM "$vpid"
wait "$vpid"
code=$?
vpid=""
[ "$code" -eq 0 ] || fail "veloria exited with $code; output: $(cat "$work/out.log")"
echo "xvfb library: library shown, the listed game played on a double click and moved to the top, clean exit"
