# The window: size and caption, Escape on release, closing it, and the frame rate.
source "$(dirname "$0")/common.sh"
need_display
out=$(mktemp)
trap 'rm -f "$out"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT

"$VELMO" --windowed --gstreameroff --musicoff >"$out" 2>&1 &
pid=$!
id=$(wait_window "$pid") || fail "no mapped 800x340 window appeared"
[ "$(xdotool getwindowname "$id")" = "$TITLE" ] || fail "caption is '$(xdotool getwindowname "$id")'"

# The frame rate is measured over these seconds of play.
sleep 4
xdotool windowfocus --sync "$id"
xdotool keydown Escape
# Nothing to wait for: the demo must stay up for a while after the press.
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "Escape ended the demo on press, not on release"
xdotool keyup Escape
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Escape release did not end the demo"
wait "$pid"; status=$?; pid=""
[ $status -eq 0 ] || fail "exit status $status after Escape"
fps=$(grep -o 'Final fps: [0-9.]*$' "$out" | awk '{print $3}')
[ -n "$fps" ] || { cat "$out" >&2; fail "no 'Final fps: ' line"; }
# Paced, never faster than 25. How near 25 it comes depends on the machine's load; the pace
# itself is held by frameloop_test with a fake clock.
awk -v f="$fps" 'BEGIN{exit !(f > 0 && f <= 25.5)}' || fail "final fps $fps is above 25"
echo "Escape: final fps $fps"

"$VELMO" --windowed --gstreameroff --musicoff >"$out" 2>&1 &
pid=$!
id=$(wait_window "$pid") || fail "no window appeared the second time"
"$BUILD/closewindow" "$id" || fail "could not ask the window to close"
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "closing the window did not end the demo"
wait "$pid"; status=$?; pid=""
[ $status -eq 0 ] || fail "exit status $status after closing the window"
grep -q 'Final fps: ' "$out" || fail "no 'Final fps: ' line after closing"
echo "window close ok"
