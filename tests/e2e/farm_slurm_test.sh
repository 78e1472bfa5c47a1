# A render farm on a real one-node Slurm cluster: dist/velmo-slurm sends 4 s of the demo as a
# job array of 2 chunks and a join that waits for them; the join leaves the whole stretch's
# video with its music and no pieces.
source "$(dirname "$0")/common.sh"
source "$SOURCE/tests/support/slurm-local.sh"
run=$(mktemp -d)
trap 'slurm_local_stop; rm -rf "$run"' EXIT
slurm_local_start || exit $?
link_data "$run"
cd "$run"

submitted=$(VELMO=$VELMO "$SOURCE/dist/velmo-slurm" out.mp4 2 -w 320 --from 150 --to 154 --seed 7) ||
  fail "velmo-slurm exited with $?"
[[ $submitted =~ ^Submitted\ chunks\ as\ job\ ([0-9]+)\ \(array\ 0-1\),\ the\ join\ as\ job\ ([0-9]+)$ ]] ||
  fail "velmo-slurm printed: $submitted"
chunks=${BASH_REMATCH[1]} join=${BASH_REMATCH[2]}

# The controller's records of a job, one a line (an array has one per task), and a field of them.
records() { scontrol -o show job "$1"; }
field() { grep -o " $1=[^ ]*" | cut -d= -f2; }

# The records of finished jobs stay with the controller (MinJobAge), so the state is read
# there: the cluster has no accounting database for sacct.
deadline=$((SECONDS + 300)) state=""
while [ $SECONDS -lt $deadline ]; do
  state=$(records "$join" | field JobState)
  case $state in COMPLETED|FAILED|CANCELLED|TIMEOUT|NODE_FAIL|OUT_OF_MEMORY|PREEMPTED|BOOT_FAIL|DEADLINE) break ;; esac
  sleep 0.2
done
[ "$state" = COMPLETED ] || {
  records "$chunks" >&2; records "$join" >&2; tail -n 5 slurm-*.out >&2
  fail "the join job is ${state:-unknown}, not COMPLETED"
}

tasks=$(records "$chunks" | field ArrayTaskId | sort | tr '\n' ' ')
[ "$tasks" = "0 1 " ] || fail "the array ran tasks: $tasks"
[ "$(records "$chunks" | field JobState | sort -u)" = COMPLETED ] || fail "not every chunk task completed"
# A join started early may still find every piece, so the dependency is checked itself.
eligible=$(records "$join" | field EligibleTime)
for end in $(records "$chunks" | field EndTime); do
  [[ $eligible < $end ]] && fail "the join could start at $eligible, before a chunk ended at $end"
done
for task in 0 1; do
  grep -q "^Wrote out.mp4.piece-$task-of-2: " "slurm-${chunks}_$task.out" || fail "task $task did not write piece $task"
done

[ -f out.mp4 ] || fail "no video after the join"
[ -z "$(ls out.mp4.piece-* 2>/dev/null)" ] || fail "pieces left: $(ls out.mp4.piece-*)"
video=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=codec_name,nb_read_packets -of csv=p=0 out.mp4)
[ "$video" = "h264,100" ] || fail "video stream: $video, not 100 h264 frames"
audio=$(ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 out.mp4)
[ "$audio" = aac ] || fail "audio stream: $audio"
echo "farm slurm ok"
