# A video render ends by itself at the demo's length even without the scene script
# (--musicoff), which is what otherwise ends a run. Cut renders: export_interrupt_test.
source "$(dirname "$0")/common.sh"
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
link_data "$run"
cd "$run"

env -u DISPLAY "$VELMO" -w 160 --musicoff --writevideo whole.mkv >out.txt 2>err.txt
status=$?
[ $status -eq 0 ] || { tail -n 3 out.txt err.txt >&2; fail "the --musicoff render exited with $status"; }
grep -q '^Wrote whole.mkv: 4200 frames' out.txt || { tail -n 3 out.txt >&2; fail "the --musicoff render did not write 4200 frames"; }
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 whole.mkv)
[ "$frames" = 4200 ] || fail "the --musicoff video holds $frames frames, not 4200"
echo "--musicoff render ended by itself: $frames frames"

