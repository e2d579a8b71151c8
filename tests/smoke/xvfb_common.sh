# Sourced by the window tests: a scratch folder, an Xvfb server of its own and a clean-up that
# ends the game before its folder goes. Set NAME (for messages) and SCREEN (WxH) first; the
# caller's `vpid` names the game once it is started. Leaves `work`, `disp`, `xpid`, `vpid`.
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
fail() { echo "$NAME: $*" >&2; exit 1; }

command -v Xvfb >/dev/null || fail "Xvfb is not installed"
command -v xwd >/dev/null || fail "xwd is not installed"

# Xvfb picks a free display itself and tells us which once it accepts clients: other
# copies of this test, or other users' servers, can never be mistaken for ours.
Xvfb -displayfd 3 -screen 0 "${SCREEN}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xpid=$!
for _ in $(seq 1 600); do
  [ -s "$work/display" ] && break
  kill -0 "$xpid" 2>/dev/null || break
  sleep 0.1
done
disp=$(head -n 1 "$work/display" 2>/dev/null)
[ -n "$disp" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
