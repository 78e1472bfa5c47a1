# The whole demo as four chunks handed out by GNU parallel to two workers, then joined: the
# video is what a whole export writes (H.264 High with two B-frames, closed GOPs of 12, index in
# front, AAC-LC 48 kHz, 4200 frames, music to the last frame), the pieces are gone, and around
# each seam the frames are as close to a capture's as an unchunked export's are.
source "$(dirname "$0")/common.sh"
command -v parallel >/dev/null || { echo "GNU parallel is not installed"; exit 77; }
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
link_data "$run"
cd "$run"
SWITCHES=(-w 320 --seed 7 --antialias 0)

parallel --will-cite --halt now,fail=1 -j2 "$VELMO" --writevideo out.mp4 "${SWITCHES[@]}" --chunk {}/4 '>' chunk{}.txt '2>&1' ::: 0 1 2 3 ||
  { tail -n 3 chunk*.txt >&2; fail "a chunk failed"; }
[ "$(ls out.mp4.piece-* | tr '\n' ' ')" = "out.mp4.piece-0-of-4 out.mp4.piece-1-of-4 out.mp4.piece-2-of-4 out.mp4.piece-3-of-4 " ] ||
  fail "pieces: $(ls)"
"$VELMO" --writevideo out.mp4 "${SWITCHES[@]}" --join 4 >join.txt 2>&1 || { tail -n 3 join.txt >&2; fail "the join failed"; }
[ -z "$(ls | grep -e piece -e partial)" ] || fail "pieces or partial files left: $(ls)"
grep -q '^Wrote out.mp4: 4200 frames, 168.00 s' join.txt || fail "no 'Wrote' line: $(tail -n 2 join.txt)"

probe() { ffprobe -v error "$@" -of csv=p=0 out.mp4; }
[ "$(probe -select_streams v -show_entries stream=codec_name,profile,has_b_frames,width,height)" = "h264,High,320,136,2" ] ||
  fail "video stream: $(probe -select_streams v -show_entries stream=codec_name,profile,has_b_frames,width,height)"
[ "$(probe -select_streams a -show_entries stream=codec_name,profile,sample_rate)" = "aac,LC,48000" ] ||
  fail "audio stream: $(probe -select_streams a -show_entries stream=codec_name,profile,sample_rate)"
moov=$(grep -m1 -oba moov out.mp4 | cut -d: -f1)
mdat=$(grep -m1 -oba mdat out.mp4 | cut -d: -f1)
[ "$moov" -lt "$mdat" ] || fail "the index (at $moov) is not in front of the data (at $mdat)"
types=$(probe -select_streams v -show_entries frame=pict_type | tr -d '\n,')
[ ${#types} -eq 4200 ] || fail "${#types} frames, not 4200"
# A key frame every 12 frames and nowhere else: no frame lost or doubled at a seam.
expected=$(printf 'I%.0s...........' $(seq 350))
[ "$(echo "$types" | tr PB ..)" = "$expected" ] || fail "key frames are not every 12 frames"
audio_end=$(probe -select_streams a -show_entries packet=pts_time,duration_time | tail -n 1 | awk -F, '{print $1 + $2}')
awk -v e="$audio_end" 'BEGIN{exit !(e > 167.96 && e < 168.04)}' || fail "audio ends at $audio_end s, not 168 s"

# Seams at frames 1044, 2100, 3144. References: a capture of the frames before and at each seam,
# and an unchunked export with the seam in its middle.
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print ($1 == "inf") ? 99 : $1}'; }
seconds() { awk -v f="$1" 'BEGIN{printf "%.2f", f * 0.04}'; }
for seam in 1044 2100 3144; do
  (mkdir -p "c$seam" && cd "c$seam" && link_data . &&
   "$VELMO" --windowed --writeimages --gstreameroff "${SWITCHES[@]}" --from "$(seconds $((seam - 1)))" --to "$(seconds $((seam + 1)))" >/dev/null 2>&1) &
  "$VELMO" --writevideo "e$seam.mp4" "${SWITCHES[@]}" --from "$(seconds $((seam - 24)))" --to "$(seconds $((seam + 24)))" >/dev/null 2>&1 ||
    fail "export around $seam failed"
  wait $! || fail "capture around $seam failed"
  ffmpeg -loglevel error -i out.mp4 -vf "select=between(n\,$((seam - 1))\,$seam)" -vsync 0 "j$seam-%d.png"
  ffmpeg -loglevel error -i "e$seam.mp4" -vf "select=between(n\,23\,24)" -vsync 0 "e$seam-%d.png"
  for k in 1 2; do
    convert "c$seam/data/render/velmo$((24 + seam - 2 + k)).tga" -auto-orient "c$seam-$k.png"
    joined=$(psnr "j$seam-$k.png" "c$seam-$k.png")
    whole=$(psnr "e$seam-$k.png" "c$seam-$k.png")
    echo "seam $seam frame $((seam - 2 + k)): joined $joined dB, unchunked $whole dB"
    awk -v j="$joined" -v w="$whole" 'BEGIN{exit !(j > 30 && j >= w - 0.5)}' ||
      fail "frame $((seam - 2 + k)) at a seam: $joined dB against the capture, an unchunked export $whole dB"
  done
done
echo "farm ok"
