# tools/headless and signals: its command starts with SIGINT and SIGQUIT at their defaults; a
# terminal's Ctrl-C (SIGINT to the whole process group) leaves the display up until the
# command has ended; a SIGTERM sent to the harness alone reaches the command; the harness
# exits with the command's status.
source "$(dirname "$0")/common.sh"
work=$(mktemp -d)
trap '[ -n "${harness:-}" ] && kill -KILL -- "-$harness" 2>/dev/null; rm -rf "$work"' EXIT

# Starts the harness as a terminal would: a process group of its own, signals at their defaults.
start_harness() {
  setsid env --default-signal=INT,QUIT "$SOURCE/tools/headless" bash -c "$1" "$work" &
  harness=$!
  for _ in $(seq 1 300); do
    [ -e "$work/ready" ] && return 0
    kill -0 "$harness" 2>/dev/null || break
    sleep 0.1
  done
  fail "the command under the harness did not start"
}

start_harness 'grep SigIgn /proc/self/status >"$0/mask"
  trap "xdpyinfo >/dev/null 2>&1 && echo up >\"\$0/display\"; kill \$!; exit 5" INT
  sleep 600 & touch "$0/ready"; wait $!'
mask=$(awk '{print $2}' "$work/mask")
(( (16#$mask & 6) == 0 )) || fail "the command starts with signals ignored (SigIgn $mask)"
kill -INT -- "-$harness"
wait "$harness"; status=$?; harness=""
[ $status -eq 5 ] || fail "after Ctrl-C the harness exited with $status, not the command's 5"
[ "$(cat "$work/display" 2>/dev/null)" = up ] || fail "the display was gone before the command ended"

rm -f "$work/ready"
start_harness 'touch "$0/ready"; exec sleep 600'
kill -TERM "$harness"
wait "$harness"; status=$?; harness=""
[ $status -eq 143 ] || fail "after SIGTERM the harness exited with $status, not 143"
echo "headless passes signals on: SigIgn $mask"
