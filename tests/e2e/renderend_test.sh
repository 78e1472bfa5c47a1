# A video render ends by itself at the demo's length even without the scene script
# (--musicoff), which is what otherwise ends a run; reached by a fast-forward to 160 s. Cut renders: export_interrupt_test.
source "$(dirname "$0")/common.sh"
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
link_data "$run"
cd "$run"

env -u DISPLAY "$VELMO" -w 160 --musicoff --from 160 --writevideo whole.mkv >out.txt 2>err.txt
status=$?
[ $status -eq 0 ] || { tail -n 3 out.txt err.txt >&2; fail "the --musicoff render exited with $status"; }
grep -q '^Wrote whole.mkv: 200 frames' out.txt || { tail -n 3 out.txt >&2; fail "the --musicoff render did not write 200 frames"; }
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 whole.mkv)
[ "$frames" = 200 ] || fail "the --musicoff video holds $frames frames, not 200"
echo "--musicoff render ended by itself: $frames frames"

