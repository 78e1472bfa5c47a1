# Ctrl-C or SIGTERM during an offscreen export, with no display: the render stops within
# seconds with 130 or 143 and one line on stderr, the partial file is gone and an existing
# video of that name is untouched.
source "$(dirname "$0")/common.sh"
run=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$run"' EXIT
link_data "$run"
cd "$run"

for signal in INT:130 TERM:143; do
  name=${signal%:*} expected=${signal#*:}
  echo "an earlier video" >demo.webm
  env -u DISPLAY "$VELMO" --writevideo demo.webm >out.txt 2>err.txt &
  pid=$!
  # The partial file appears once the demo is loaded and the writer runs.
  for _ in $(seq 1 1800); do
    compgen -G 'demo.webm.partial-*' >/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  compgen -G 'demo.webm.partial-*' >/dev/null || { cat err.txt >&2; fail "SIG$name: the export never started writing"; }
  kill -"$name" "$pid"
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "SIG$name: still running 5 s after the signal"
  wait "$pid"; status=$?; pid=""
  [ $status -eq "$expected" ] || { cat err.txt >&2; fail "SIG$name: exited with $status, not $expected"; }
  no_partial demo.webm || fail "SIG$name: the partial file is left behind"
  [ "$(cat demo.webm)" = "an earlier video" ] || fail "SIG$name: the existing video was changed"
  [ "$(grep -c . err.txt)" -eq 1 ] && grep -q '^Rendering demo.webm was cut after [0-9]* frames; no video was written.$' err.txt ||
    { cat err.txt >&2; fail "SIG$name: not the one cut line on stderr"; }
done
echo "export interrupt ok"
