# A capture that fills its disk stops naming the frame it could not write, and leaves only
# whole frames behind. The disk is a small tmpfs mounted in a private mount namespace.
source "$(dirname "$0")/common.sh"
need_display
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
link_data "$run"
mkdir "$run/data/render"
cd "$run"
unshare -rm mount -t tmpfs tmpfs data/render 2>/dev/null ||
  { echo "skipped: no private mount namespace here to mount a small disk in"; exit 77; }

# 500 pages hold 62 frames of 160 x 68 and a part of the next.
unshare -rm bash -c 'mount -t tmpfs -o size=2000k tmpfs data/render || exit
  "$0" --windowed -w 160 --writeimages --gstreameroff >out.txt 2>err.txt
  echo $? >status
  stat -c "%n %s" data/render/* >sizes' "$VELMO"
[ "$(cat status)" = 1 ] || { cat err.txt >&2; fail "a full disk gave status $(cat status), not 1"; }
failed=$(sed -n 's/^Failed to write the captured frame \(.*\)$/\1/p' err.txt)
[ -n "$failed" ] || { cat err.txt >&2; fail "no message naming the frame that could not be written"; }
! grep -q "/$(basename "$failed") " sizes || fail "the frame cut short, $failed, was left behind"
count=$(wc -l <sizes)
[ "$count" -ge 25 ] || fail "only $count frames before the disk was full"
awk -v whole=$((18 + 160 * 68 * 3)) '$2 != whole {print; bad = 1} END {exit bad}' sizes >&2 ||
  fail "frames of the wrong size are left"
echo "full disk: $count whole frames kept, $failed removed"
