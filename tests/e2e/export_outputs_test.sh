# An export whatever its outputs: closed standard streams, a pipe whose reader leaves, a
# terminal where the render is cut (the cut stands on its own line), and two runs to one name.
source "$(dirname "$0")/common.sh"
run=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$run"' EXIT
link_data "$run"
cd "$run"
SHORT=(-w 160 --to 2 --seed 7)

whole() {   # VIDEO: 50 frames with sound, no partial file beside it
  [ "$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1")" = 50 ] ||
    fail "$1 does not hold 50 frames"
  no_partial "$1" || fail "partial files of $1 are left"
}

# Closed stdout and stderr: they are /dev/null to the run, not what the libraries open next.
"$VELMO" --writevideo closed.mp4 -w 160 --to 20 >&- 2>&- &
pid=$!
wait_for_file 'closed.mp4.partial-*' "$pid" 60 || fail "the export with closed outputs never started writing"
[ "$(readlink /proc/$pid/fd/1)" = /dev/null ] && [ "$(readlink /proc/$pid/fd/2)" = /dev/null ] ||
  fail "closed outputs became $(readlink /proc/$pid/fd/1) and $(readlink /proc/$pid/fd/2)"
wait "$pid" || fail "the export with closed outputs failed"
pid=""

# The reader of its output leaves after 10 bytes: the render goes on.
"$VELMO" --writevideo piped.mp4 "${SHORT[@]}" 2>&1 | head -c 10 >/dev/null
[ "${PIPESTATUS[0]}" = 0 ] || fail "the export into a closed pipe exited with ${PIPESTATUS[0]}"
whole piped.mp4

# On a terminal the progress line is redrawn in place; a cut ends it before saying so.
script -qfec "$(printf '%q ' "$VELMO" --writevideo cut.webm -w 160 --to 60)" typescript >/dev/null &
for _ in $(seq 1 600); do grep -qa 'Rendering cut.webm: ' typescript 2>/dev/null && break; sleep 0.1; done
pkill -INT -f -- "^$VELMO --writevideo cut.webm" || fail "no export on the terminal to cut"
wait
grep -qa '^Rendering cut.webm was cut after' typescript || fail "the cut is not on its own line: $(tail -c 300 typescript | cat -v)"

# Two runs to one name at once: each writes its own file, the name holds one whole video.
"$VELMO" --writevideo same.mp4 "${SHORT[@]}" >one.txt 2>&1 &
"$VELMO" --writevideo same.mp4 -w 160 --to 2 --seed 8 >two.txt 2>&1 || fail "the second run to one name failed: $(cat two.txt)"
wait $! || fail "the first run to one name failed: $(cat one.txt)"
whole same.mp4
echo "export outputs ok"
