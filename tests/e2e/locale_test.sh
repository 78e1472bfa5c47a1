# Under a decimal-comma locale numbers are read and printed as everywhere else: -a 2.35 (the
# help's own example) is taken, -a 2,35 is refused, and the frame rate is printed with a dot.
source "$(dirname "$0")/common.sh"
need_display
loc=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$loc"' EXIT
localedef -i de_DE -f UTF-8 "$loc/de_DE.UTF-8" >"$loc/log" 2>&1 ||
  { cat "$loc/log" >&2; fail "cannot generate de_DE.UTF-8 (tools/setup installs locales)"; }
comma=(env LOCPATH="$loc" LC_ALL=de_DE.UTF-8)
[ "$("${comma[@]}" locale decimal_point)" = "," ] || fail "the generated comma locale is not in effect"

"${comma[@]}" "$VELMO" --windowed --gstreameroff --musicoff -a 2.35 >"$loc/out" 2>&1 &
pid=$!
id=$(wait_window "$pid") || { cat "$loc/out" >&2; fail "-a 2.35 did not give the 800x340 window"; }
"$BUILD/closewindow" "$id" || fail "could not ask the window to close"
wait "$pid"; status=$?; pid=""
[ $status -eq 0 ] || { cat "$loc/out" >&2; fail "-a 2.35 exited with $status"; }
grep -q 'Final fps: [0-9]*\.[0-9][0-9]$' "$loc/out" || { tail -n 1 "$loc/out" >&2; fail "no 'Final fps: ' line with a dot"; }

timeout 60 "${comma[@]}" "$VELMO" --windowed -a 2,35 >/dev/null 2>"$loc/err"
status=$?
[ $status -eq 1 ] && grep -q 'Bad value for -a: "2,35"' "$loc/err" || fail "-a 2,35 was not refused (status $status)"
echo "comma locale: $(tail -c 16 "$loc/out")"
