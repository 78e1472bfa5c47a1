# velmo --help: the help text byte for byte, status 0, with and without a display.
source "$(dirname "$0")/common.sh"

expected=$(mktemp)
trap 'rm -f "$expected" /tmp/velmo-help.$$' EXIT
cat >"$expected" <<'TEXT'
Quorvane/Drell by Velmo.
Final version.

Available command line switches are:
--help : This help message.
--fullscreen or -f : Well this is the default actually.
--windowed or --win : Windowed mode.
--width 800 or -w 800 : Set the width of the window being created. Default: 800.
--height 600 or -h 600 : Set the height. Default: 600 in fullscreen, and 340 in windowed mode.
--aspect 2.35 or -a 2.35 : Set the view aspect ratio. Default: 1:2.35.
--s4_3 : Set screen aspect ratio to 4:3. Use this if you don't have a widescreen monitor.
--s16_10 : Set screen aspect ratio to 16:10 (modern widescreen laptops). This is the default.
--s16_9 : Set screen aspect ratio to 16:9 (widescreen television).
--writeimages : Writes all the frames of the demo into the folder ./data/render/ as .tga files at 25 fps. Requires about 3.5 Gb of space at the default resolution.
--writevideo velmo.mp4 : Renders the whole demo with its music into a video file at 25 fps, offscreen: needs no display and no sound card. The size is the width (-w, default 800) by the width over the view aspect rounded down to an even number: 800x340, -w 1920 gives 1920x816, -w 3840 gives 3840x1634. Formats: .mp4, .mkv or .webm.
--antialias 4 : Samples per pixel for --writevideo: 0 (off), 2, 4 or 8. Default: 4.
--seed 1234 : Seeds every random number of the run with this unsigned 32-bit number instead of the clock, so two runs render the same frames.
--from 150 --to 160.5 : Plays, captures or exports only the demo between these seconds (0 to 168, each taken down to the 40 ms frame it falls in). Every frame is the one a whole run shows.
--chunk 3/16 : With --writevideo, renders only chunk 3 (counted from 0) of 16 into a piece beside the video (velmo.mp4.piece-03-of-16), so that many machines share one render.
--join 16 : With --writevideo, joins the 16 pieces of a chunked render into the video without encoding the picture again, then removes them.
--version : Prints the version of the demo.

TEXT

for display in with without; do
  if [ $display = with ]; then
    "$VELMO" --windowed --help >/tmp/velmo-help.$$ 2>&1
  else
    env -u DISPLAY "$VELMO" --help >/tmp/velmo-help.$$ 2>&1
  fi
  status=$?
  [ $status -eq 0 ] || fail "--help $display display exited with $status"
  cmp -s "$expected" /tmp/velmo-help.$$ || { diff "$expected" /tmp/velmo-help.$$ >&2; fail "help text differs ($display display)"; }
done
echo "help text ok"
