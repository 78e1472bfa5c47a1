# The join refuses a missing, duplicated, foreign or cut piece, naming it, and writes nothing;
# with the right pieces it writes the video (here a .webm) and removes them. A chunk cut by a
# signal leaves no piece.
source "$(dirname "$0")/common.sh"
run=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$run"' EXIT
link_data "$run"
cd "$run"
SWITCHES=(-w 160 --to 2 --seed 7)

chunks() {   # VIDEO SWITCHES...: both chunks of 2
  local video=$1; shift
  for i in 0 1; do "$VELMO" --writevideo "$video" "$@" --chunk $i/2 >/dev/null 2>&1 & done
  wait -n && wait -n || fail "chunks of $video failed"
}
chunks a.mp4 "${SWITCHES[@]}"
chunks b.mp4 "${SWITCHES[@]/7/8}"
chunks v.webm "${SWITCHES[@]}"
mv a.mp4.piece-1-of-2 kept

refused() {   # WHAT EXPECTED-TEXT: the join of a.mp4 fails with a message holding the text
  "$VELMO" --writevideo a.mp4 "${SWITCHES[@]}" --join 2 >out.txt 2>err.txt && fail "$1: the join succeeded"
  grep -qF -- "$2" err.txt || fail "$1: the message is not about $2: $(cat err.txt)"
  [ ! -e a.mp4 ] && [ -z "$(ls | grep partial)" ] || fail "$1: something was written: $(ls)"
  [ -e a.mp4.piece-0-of-2 ] || fail "$1: a piece was removed"
}
refused missing "Cannot join a.mp4: missing a.mp4.piece-1-of-2"
cp a.mp4.piece-0-of-2 a.mp4.piece-1-of-2
refused duplicate "the piece a.mp4.piece-1-of-2 holds chunk 0 of 2, not chunk 1 of 2"
cp b.mp4.piece-1-of-2 a.mp4.piece-1-of-2
refused foreign "the piece a.mp4.piece-1-of-2 belongs to another render"
head -c $(( $(stat -c %s kept) / 2 )) kept >a.mp4.piece-1-of-2
refused cut "the piece a.mp4.piece-1-of-2"
mv kept a.mp4.piece-1-of-2
"$VELMO" --writevideo a.mp4 "${SWITCHES[@]}" --join 2 >out.txt 2>&1 || fail "the join of the right pieces failed: $(cat out.txt)"

"$VELMO" --writevideo v.webm --join 2 >out.txt 2>&1 || fail "the .webm join failed: $(cat out.txt)"
[ -z "$(ls | grep -e 'v.webm.piece' -e partial)" ] || fail "pieces left: $(ls)"
[ "$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 v.webm | tr '\n' ' ')" = "vp9 opus " ] || fail "v.webm streams"
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 v.webm)
[ "$frames" = 50 ] || fail "v.webm has $frames frames, not 50"
audio_end=$(ffprobe -v error -select_streams a -show_entries packet=pts_time,duration_time -of csv=p=0 v.webm |
            grep . | tail -n 1 | awk -F, '{print $1 + $2}')
awk -v e="$audio_end" 'BEGIN{exit !(e > 1.96 && e < 2.04)}' || fail "v.webm's audio ends at $audio_end s, not 2 s"

# A worker cut once its piece is being written.
"$VELMO" --writevideo c.mp4 -w 160 --to 60 --chunk 1/2 >out.txt 2>err.txt &
pid=$!
wait_for_file 'c.mp4.piece-1-of-2.partial-*' "$pid" 120 || fail "the chunk never started writing"
kill -INT "$pid"
wait "$pid"; status=$?; pid=""
[ $status -eq 130 ] || fail "the cut chunk exited with $status, not 130"
[ -z "$(ls | grep c.mp4)" ] || fail "the cut chunk left $(ls | grep c.mp4)"
echo "join ok"
