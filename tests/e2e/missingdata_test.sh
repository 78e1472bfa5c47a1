# Missing or unusable data files: each gives its own behaviour, with a clear message.
source "$(dirname "$0")/common.sh"
need_display
run=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$run"' EXIT
# A copy away from the build's data, which it would find beside itself.
mkdir "$run/bin" && cp "$VELMO" "$run/bin/" && VELMO=$run/bin/velmo

# A fresh run directory with every data file but the ones named.
setup_run() {
  rm -rf "$run/data"
  mkdir "$run/data"
  for f in "$BUILD"/data/*.bmp "$BUILD"/data/*.tga "$BUILD"/data/music.xm; do
    case " $* " in *" $(basename "$f") "*) ;; *) ln -s "$f" "$run/data/" ;; esac
  done
}

expect_fatal() {
  local pattern=$1; shift
  (cd "$run" && timeout 120 "$VELMO" "$@" >out.txt 2>err.txt)
  local status=$?
  [ $status -eq 1 ] || { cat "$run/err.txt" >&2; fail "'$*' exited with $status, not 1"; }
  grep -q -- "$pattern" "$run/err.txt" || { cat "$run/err.txt" >&2; fail "'$*': no '$pattern' on stderr"; }
}

# A missing bitmap is reported and the demo plays on.
setup_run velmo.bmp
(cd "$run" && exec "$VELMO" --windowed --gstreameroff >out.txt 2>err.txt) &
pid=$!
id=$(wait_window "$pid") || fail "no window with a missing bitmap"
send_key "$id" Escape
wait "$pid"; status=$?; pid=""
[ $status -eq 0 ] || fail "missing bitmap: exit status $status"
grep -q 'velmo.bmp' "$run/out.txt" || fail "missing bitmap not reported"

# An export is not rendered without it.
expect_fatal 'Not rendering the video without its pictures: Cannot find the data file velmo.bmp' \
  --writevideo v.mp4 --to 0.2 --antialias 0
[ ! -e "$run/v.mp4" ] && no_partial "$run/v.mp4" || fail "a video was written without its picture"

setup_run music.xm
expect_fatal 'music.xm' --windowed

# Music that cannot be decoded is named: the export stops, the window plays silently.
echo "not a module" >"$run/data/music.xm"
expect_fatal 'the music file ./data/music.xm: ' --writevideo v.mp4 --to 0.2 --antialias 0
(cd "$run" && timeout 120 "$VELMO" --windowed --to 0.04 >out.txt 2>err.txt) || fail "undecodable music: exit status $?"
grep -q 'The music ./data/music.xm cannot be played' "$run/out.txt" || { cat "$run/out.txt" >&2; fail "undecodable music not named"; }

setup_run black_800_340.tga
expect_fatal 'black_800_340.tga' --windowed --writeimages --gstreameroff
[ ! -e "$run/data/render/velmo0.tga" ] || fail "a frame was written without its template"

# A frame that cannot be written ends the run naming the file, instead of losing it.
setup_run
mkdir -p "$run/data/render/velmo3.tga"
expect_fatal 'velmo3.tga' --windowed --writeimages --gstreameroff
[ -f "$run/data/render/velmo2.tga" ] || fail "frames before the failing one are missing"

# The render folder cannot be made.
setup_run
touch "$run/data/render"
expect_fatal 'render' --windowed --writeimages --gstreameroff
echo "missing data ok"
