#!/usr/bin/env bash
# The generated soundtrack, decoded by the same GStreamer modplug element the demo plays it with:
# the demo's clock ends at 168 s, so the music must last exactly that long, it must not clip,
# and it must not fall silent except in the fade-out of its last seconds.
# Usage (from the build directory): bash music_test.sh path/to/velmo
set -euo pipefail

module=./data/music.xm
song_seconds=168
fade_from=166          # the ending fades away; silence may begin only here
max_silence=2          # seconds

fail() { echo "music_test: FAIL: $*" >&2; exit 1; }

for tool in gst-launch-1.0 ffmpeg ffprobe; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (tools/setup installs it)"
done
[ -f "$module" ] || fail "$module is missing (the build's makemusic step writes it)"
[ "$(head -c 17 "$module")" = "Extended Module: " ] || fail "$module is not an XM module"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wav="$work/music.wav"

gst-launch-1.0 -q filesrc location="$module" ! modplug ! audioconvert ! wavenc \
  ! filesink location="$wav" >"$work/gst.log" 2>&1 || { cat "$work/gst.log" >&2; fail "GStreamer could not decode $module"; }
[ -s "$wav" ] || fail "GStreamer produced no audio for $module"

# Length: samples / rate of the decoded stream.
length=$(ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 "$wav")
awk -v l="$length" -v s="$song_seconds" 'BEGIN { exit !(l >= s - 0.1 && l <= s + 0.1) }' \
  || fail "decoded length is $length s, expected $song_seconds s (+/- 0.1)"
echo "music_test: length $length s"

# Peak: at least 1 dB below full scale.
peak=$(ffmpeg -hide_banner -nostats -i "$wav" -af volumedetect -f null - 2>&1 \
  | sed -n 's/.*max_volume: \([-0-9.]*\) dB.*/\1/p')
[ -n "$peak" ] || fail "could not measure the peak level"
awk -v p="$peak" 'BEGIN { exit !(p < -1.0) }' || fail "peak level $peak dBFS leaves no headroom (clipping)"
echo "music_test: peak $peak dBFS"

# Silence: no stretch below -50 dB longer than 2 s before the fade-out.
silences=$(ffmpeg -hide_banner -nostats -i "$wav" -af "silencedetect=noise=-50dB:d=$max_silence" -f null - 2>&1 \
  | sed -n 's/.*silence_start: \([-0-9.]*\).*/\1/p')
for start in $silences; do
  awk -v s="$start" -v f="$fade_from" 'BEGIN { exit !(s >= f) }' \
    || fail "silence longer than $max_silence s starting at $start s"
done
echo "music_test: no silence longer than $max_silence s before $fade_from s"

# Dynamics: the first drop (36-49 s) is clearly louder than the quiet intro (0-6 s).
mean_level() {
  ffmpeg -hide_banner -nostats -ss "$1" -t "$2" -i "$wav" -af volumedetect -f null - 2>&1 \
    | sed -n 's/.*mean_volume: \([-0-9.]*\) dB.*/\1/p'
}
intro=$(mean_level 0 6)
drop=$(mean_level 36 13)
awk -v i="$intro" -v d="$drop" 'BEGIN { exit !(d - i >= 4.0) }' \
  || fail "the drop at 36 s ($drop dB) is not clearly louder than the intro ($intro dB)"
echo "music_test: intro $intro dB, first drop $drop dB"

echo "music_test: PASS"
