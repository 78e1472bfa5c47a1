# Bad command lines end with a message on stderr and status 1, never a crash.
source "$(dirname "$0")/common.sh"
err=$(mktemp)
target=$(mktemp -d --suffix=.mkv)
trap 'rm -rf "$err" "$target" "$target".partial-*' EXIT

expect_fatal() {
  local pattern=$1; shift
  "$VELMO" "$@" >/dev/null 2>"$err"
  local status=$?
  [ $status -eq 1 ] || fail "'$*' exited with $status, not 1"
  grep -q -- "$pattern" "$err" || { cat "$err" >&2; fail "'$*': no '$pattern' on stderr"; }
}

expect_fatal 'Bad value for -w: "abc"' --windowed -w abc
expect_fatal 'Bad value for -a: "--scope"' --windowed -a --scope
expect_fatal 'Bad value for --height: "99999999999"' --height 99999999999
expect_fatal 'Invalid view aspect' --windowed -a 0
expect_fatal 'Invalid view size' --windowed -w 0
# An unknown switch does not stop the help that follows it; it refuses an export, where the
# options GStreamer took are not unknown.
"$VELMO" --no-such-switch -x --help >/dev/null 2>"$err" || fail "an unknown switch was not ignored"
DISPLAY= expect_fatal 'Unknown switch --antialas (see --help)' --gst-debug-level=1 --writevideo demo.webm --antialas 8
! grep -q gst "$err" || fail "an option GStreamer took was reported: $(cat "$err")"
# An unsupported video name is refused before anything runs, naming what works.
DISPLAY= expect_fatal 'Supported here' --writevideo demo.avi
DISPLAY= expect_fatal '.mkv' --writevideo demo
[ ! -e demo.avi ] && no_partial demo.avi || fail "a refused video left a file"
# So is a target that is a directory, found before rendering, not at the final rename.
DISPLAY= expect_fatal "Cannot write the video $target: it is a directory." --writevideo "$target"
no_partial "$target" || fail "a refused video left $target.partial"
# A picture the GL cannot hold, or one 4:2:0 cannot, is refused before anything is drawn.
DISPLAY= expect_fatal 'Cannot render a video of 40000x17020 pixels: .* renders at most' --writevideo demo.webm -w 40000
DISPLAY= expect_fatal 'Invalid video size: width 801' --writevideo demo.webm -w 801
[ ! -e demo.webm ] && no_partial demo.webm || fail "a refused video left a file"
# Without a display the window cannot open: an error, not a hang or a text-mode fallback.
DISPLAY= expect_fatal 'Failed to' --windowed
env -u DISPLAY "$VELMO" --windowed >/dev/null 2>"$err"; [ $? -eq 1 ] || fail "no-display run did not exit 1"
echo "bad input ok"
