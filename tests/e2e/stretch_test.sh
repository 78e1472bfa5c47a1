# Captures of stretches (--from, --to) are the very files a whole capture writes, under the same
# numbers: from the start, just after a script event, inside a motion-blurred scene and in the
# last second. Small pictures keep the whole capture short; every frame still runs every pass. A window
# play of a late stretch, with its music, ends by itself when the stretch does.
source "$(dirname "$0")/common.sh"
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT

capture() {   # FOLDER SWITCHES...
  local dir=$run/$1; shift
  link_data "$dir"
  (cd "$dir" && "$VELMO" --windowed --writeimages --gstreameroff --seed 7 -w 96 "$@" >out.txt 2>err.txt) ||
    { cat "$dir/err.txt" >&2; fail "capture $* failed"; }
}
capture whole &
capture start --to 2 &
wait
capture event --from 6.04 --to 6.4 &
capture blur --from 27 --to 27.4 &
capture last --from 167 &
wait
[ "$(ls "$run/whole/data/render" | wc -l)" -eq $((24 + 4200)) ] || fail "the whole capture did not write 4224 files"

# FOLDER FIRST-FILE COUNT: the folder holds exactly these files, each equal to the whole capture's.
same_files() {
  local dir=$run/$1/data/render
  [ "$(ls "$dir" | wc -l)" -eq "$3" ] || fail "$1: $(ls "$dir" | wc -l) files, not $3"
  for n in $(seq "$2" $(( $2 + $3 - 1 ))); do
    cmp -s "$dir/velmo$n.tga" "$run/whole/data/render/velmo$n.tga" || fail "$1: velmo$n.tga differs from the whole capture's"
  done
}
same_files start 0 $((24 + 50))
same_files event $((24 + 151)) 9
same_files blur $((24 + 675)) 10
same_files last $((24 + 4175)) 25

# Real time, music through the sound server: 2 s of play after the fast-forward, then exit 0.
started=$(date +%s%N)
(cd "$run/whole" && timeout 60 "$VELMO" --windowed --from 165 --to 167 >"$run/play.txt" 2>&1) || { cat "$run/play.txt" >&2; fail "play of 165-167 s failed"; }
ms=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$ms" -ge 2000 ] || fail "the 2 s stretch played in $ms ms"
grep -q 'Final fps: ' "$run/play.txt" || fail "no 'Final fps: ' line after the play"
echo "stretch ok"
