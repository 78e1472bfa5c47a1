# How a video render ends, at a small size: by itself at the demo's length even without the
# scene script (--musicoff); cut by SIGINT, SIGTERM or Escape it leaves no video behind, keeps
# an existing file of that name, says so in one line and exits non-zero.
source "$(dirname "$0")/common.sh"
need_display
run=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$run"' EXIT
mkdir "$run/data"
for f in "$BUILD"/data/*.bmp "$BUILD"/data/*.tga "$BUILD"/data/music.xm; do ln -s "$f" "$run/data/"; done
cd "$run"

"$VELMO" --windowed -w 160 --musicoff --writevideo whole.mkv >out.txt 2>err.txt
status=$?
[ $status -eq 0 ] || { tail -n 3 out.txt err.txt >&2; fail "the --musicoff render exited with $status"; }
grep -q '^Wrote whole.mkv: 4200 frames' out.txt || { tail -n 3 out.txt >&2; fail "the --musicoff render did not write 4200 frames"; }
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 whole.mkv)
[ "$frames" = 4200 ] || fail "the --musicoff video holds $frames frames, not 4200"
echo "--musicoff render ended by itself: $frames frames"

for how in INT:130 TERM:143 Escape:1; do
  stop=${how%:*} expected=${how#*:}
  echo "an older video" >out.mkv
  "$VELMO" --windowed -w 160 --musicoff --writevideo out.mkv >out.txt 2>err.txt &
  pid=$!
  # Half way: once the first second has been rendered.
  for _ in $(seq 1 600); do
    grep -q '^Rendering out.mkv: [1-9]' out.txt && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q '^Rendering out.mkv: [1-9]' out.txt || { cat err.txt >&2; fail "$stop: no progress lines"; }
  if [ "$stop" = Escape ]; then
    id=$(wait_window "$pid" 160x68) || fail "$stop: no window"
    send_key "$id" Escape
  else
    kill -"$stop" "$pid"
  fi
  wait "$pid"; status=$?; pid=""
  [ $status -eq "$expected" ] || { cat err.txt >&2; fail "$stop: exit status $status, not $expected"; }
  [ "$(cat out.mkv)" = "an older video" ] || fail "$stop: the existing out.mkv was changed"
  [ ! -e out.mkv.partial ] || fail "$stop: out.mkv.partial is left behind"
  line=$(grep '^Rendering out.mkv was cut after [0-9]* frames; no video was written.$' err.txt) ||
    { cat err.txt >&2; fail "$stop: no line saying the render was cut"; }
  cut=$(echo "$line" | awk '{print $6}')
  [ "$cut" -ge 25 ] && [ "$cut" -lt 4200 ] || fail "$stop: cut after $cut frames"
  ! grep -q '^Wrote ' out.txt || fail "$stop: a cut render says it wrote the video"
  echo "$stop: cut after $cut frames, status $status"
done
