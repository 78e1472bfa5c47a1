# Shared by the end-to-end tests. Sourced with the path of the velmo executable in $1;
# runs in the build directory (the demo's run directory).
set -u
VELMO=$(readlink -f "$1")
BUILD=$(dirname "$VELMO")
TITLE="Velmo | Quorvane/Drell"
fail() { echo "FAIL: $*" >&2; exit 1; }
need_display() { [ -n "${DISPLAY:-}" ] || fail "needs a display: run under tools/headless"; }

# Waits until the demo's window exists; prints its id.
wait_window() {
  local id=""
  for _ in $(seq 1 300); do
    id=$(xdotool search --name "^Quorvane|^Velmo \| Quorvane/Drell$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Presses and releases a key on the focused demo window through the XTEST extension,
# i.e. as real key events.
send_key() {
  local id=$1 key=$2
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  xdotool keydown "$key"
  sleep 0.2
  xdotool keyup "$key"
}
