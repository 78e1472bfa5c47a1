# A short capture run, cut by SIGINT: numbered TGA files with no gap, the progress frames
# first, every file a standard 800 × 340 TGA, the cut said with the count of frames kept; the
# run directory's render folder is made when missing.
source "$(dirname "$0")/common.sh"
need_display
run=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$run"' EXIT
link_data "$run"
cd "$run"

"$VELMO" --windowed --writeimages --gstreameroff >out.txt 2>err.txt &
pid=$!
# Let it write a few seconds of demo time, then interrupt it as Ctrl-C does.
wait_for_file data/render/velmo130.tga "$pid" 60 || true   # the frames are checked below
kill -INT "$pid"
wait "$pid"; status=$?; pid=""
[ $status -eq 130 ] || { cat err.txt >&2; fail "interrupted capture exited with $status, not 130"; }

count=$(ls data/render | wc -l)
[ "$count" -ge 100 ] || fail "only $count frames written"
for n in $(seq 0 $((count - 1))); do
  [ -f "data/render/velmo$n.tga" ] || fail "gap: velmo$n.tga is missing among $count files"
done
# 18-byte header + 800 × 340 × 3 bytes of pixels each.
for n in 0 23 24 $((count - 1)); do
  size=$(stat -c %s "data/render/velmo$n.tga")
  [ "$size" -eq $((18 + 800 * 340 * 3)) ] || fail "velmo$n.tga has $size bytes"
  [ "$(identify -format '%w %h' "data/render/velmo$n.tga")" = "800 340" ] || fail "ImageMagick does not read velmo$n.tga as 800x340"
done
# The first 24 files are the loading bar (dim, lit green), filling up from the centre.
green() { convert "data/render/velmo$1.tga" -auto-orient -fx 'g>0.25 && r<0.2 ? 1 : 0' -format '%[fx:mean]' info:; }
brightest() { convert "data/render/velmo$1.tga" -format '%[fx:maxima]' info:; }
awk -v a="$(green 0)" -v b="$(green 23)" 'BEGIN{exit !(b > a * 5 && b > 0.05)}' || fail "progress frames do not fill up ($(green 0) -> $(green 23))"
awk -v a="$(brightest 23)" -v b="$(brightest 24)" 'BEGIN{exit !(a < 0.5 && b > 0.5)}' || fail "velmo24.tga is not the first demo frame"
[ "$(grep -c 'writeScreenShot() increasing file_number++.' out.txt)" -eq "$count" ] || fail "capture lines do not match the files"
grep -qx "Rendering ./data/render/ was cut after $count frames; the frames written are kept." err.txt ||
  { cat err.txt >&2; fail "no line saying the capture was cut after $count frames"; }
grep -q 'Final fps: ' out.txt || fail "no 'Final fps: ' line"
echo "capture ok: $count frames"
