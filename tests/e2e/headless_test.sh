# tools/headless and signals: its command starts with SIGINT and SIGQUIT at their defaults; a
# terminal's Ctrl-C (SIGINT to the whole process group) leaves the display up until the
# command has ended; a SIGTERM sent to the harness alone reaches the command, also while the
# command is being started; the harness exits with the command's status, also when a signal
# comes just after the command has ended.
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
# The harness's shell, with a DEBUG trap, sends itself the signal at the statement named and
# writes the command's and the servers' pids; $posix runs it in POSIX mode, where the shell
# forgets a status once it has told it.
hooked() {
  local at=$1 sig=$2; shift 2
  rm -f "$work/pids"
  HOOK_AT=$at HOOK_SIGNAL=$sig HOOK_LOG=$work/pids setsid env --default-signal=INT ${posix:+POSIXLY_CORRECT=1} \
    bash -c 'set -T
      trap '\''case $BASH_COMMAND in "$HOOK_AT") HOOK_AT=-; echo "$! $xvfb_pid $pulse_pid" >"$HOOK_LOG"; kill -"$HOOK_SIGNAL" $$ ;; esac'\'' DEBUG
      . "$0" "$@"' "$SOURCE/tools/headless" "$@" &
  harness=$!
  for _ in $(seq 1 600); do kill -0 "$harness" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$harness" 2>/dev/null && fail "the harness did not end after SIG$sig at '$at'"
  wait "$harness"; status=$?; harness=""
  [ -s "$work/pids" ] || fail "the harness never reached '$at'"
  for pid in $(cat "$work/pids"); do
    kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; fail "process $pid ($*) outlived the harness"; }
  done
}
# Forked, its pid not yet known: SIGINT, which the forked shell still ignores, is kept until
# the command runs.
hooked 'cmd_pid=$!' INT sleep 300
[ $status -eq 130 ] || fail "SIGINT while the command started: the harness exited with $status, not 130"
posix=1 hooked 'status=$?' TERM sh -c 'exit 3'
[ $status -eq 3 ] || fail "SIGTERM just after the command exited 3: the harness exited with $status"
echo "headless passes signals on: SigIgn $mask"
