# The whole demo rendered offscreen into a video with no display: one 25-fps video stream of
# 4200 frames (168 s) at the size -w asks for, one audio stream as long as the music, below
# 250 MB, no TGA files on the way.
source "$(dirname "$0")/common.sh"
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
link_data "$run"
cd "$run"

env -u DISPLAY "$VELMO" --writevideo demo.webm -w 640 >out.txt 2>err.txt
status=$?
[ $status -eq 0 ] || { tail -n 5 out.txt err.txt >&2; fail "render exited with $status"; }
[ -f demo.webm ] || fail "no video written"
no_partial demo.webm || fail "the partial file is left behind"
[ ! -d data/render ] || [ -z "$(ls data/render)" ] || fail "TGA files were written"
# Not a terminal: one progress line at each tenth.
progress=$(grep -o '^Rendering demo.webm: [0-9]*%, [0-9]* s of 168 s' out.txt | awk '{print $3}' | tr '\n' ' ')
[ "$progress" = "10%, 20%, 30%, 40%, 50%, 60%, 70%, 80%, 90%, 100%, " ] || fail "progress lines: $progress"
grep -q 'Final fps: 25.00' out.txt || fail "capture clock did not give 25.00 fps"

codecs=$(ffprobe -v error -show_entries stream=codec_name,sample_rate -of csv=p=0 demo.webm | tr '\n' ' ')
[ "$codecs" = "vp9 opus,48000 " ] || fail "streams: $codecs"
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 demo.webm)
[ "$frames" = 4200 ] || fail "$frames video frames, not 4200"
picture=$(ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=p=0 demo.webm)
[ "$picture" = "640,272" ] || fail "picture is $picture, not 640,272"
rate=$(ffprobe -v error -select_streams v -show_entries stream=r_frame_rate -of csv=p=0 demo.webm)
[ "$rate" = "25/1" ] || fail "frame rate $rate"
audio_end=$(ffprobe -v error -select_streams a -show_entries packet=pts_time,duration_time -of csv=p=0 demo.webm |
            grep . | tail -n 1 | awk -F, '{print $1 + $2}')   # ffprobe ends Opus's list with an empty line
awk -v e="$audio_end" 'BEGIN{exit !(e > 167.96 && e < 168.04)}' || fail "audio ends at $audio_end s, not 168 s"
size=$(stat -c %s demo.webm)
[ "$size" -lt 250000000 ] || fail "video is $size bytes"
# The last frame is the closing flight, not black: something was drawn to the end.
ffmpeg -loglevel error -sseof -0.5 -i demo.webm -frames:v 1 last.png
awk -v m="$(convert last.png -format '%[fx:mean]' info:)" 'BEGIN{exit !(m > 0.05)}' || fail "the last frame is black"
echo "video ok: $frames frames, audio to $audio_end s, $size bytes"
