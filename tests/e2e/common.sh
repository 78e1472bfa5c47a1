# Shared by the end-to-end tests. Sourced with the path of the velmo executable in $1;
# runs in the build directory (the demo's run directory).
set -u
VELMO=$(readlink -f "$1")
BUILD=$(dirname "$VELMO")
SOURCE=$(readlink -f "$(dirname "${BASH_SOURCE[0]}")/../..")
TITLE="Velmo | Quorvane/Drell"
fail() { echo "FAIL: $*" >&2; exit 1; }

# A test that opens windows reruns itself under a display of its own: keys sent through XTEST
# go to whichever window has the focus on the whole server, so tests run side by side (ctest -j)
# must not share one.
need_display() {
  [ -n "${VELMO_OWN_DISPLAY:-}" ] && return 0
  VELMO_OWN_DISPLAY=1 exec "$SOURCE/tools/headless" bash "$0" "$VELMO"
}

# Waits until process $1 shows the demo's window mapped at its final size ($2, default
# 800x340); prints its id. SDL 1.2 first makes a titled 32x32 window that is never mapped.
wait_window() {
  local pid=$1 size=${2:-800x340} id="" geometry=""
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    id=$(xdotool search --all --onlyvisible --pid "$pid" --name "^Velmo \| Quorvane/Drell$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      geometry=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
      [ "$geometry" = "$size" ] && { echo "$id"; return 0; }
    fi
    sleep 0.1
  done
  echo "no mapped $size window of process $pid (last seen: ${geometry:-none})" >&2
  return 1
}

# Presses and releases a key on the demo's window through the XTEST extension, i.e. as real
# key events.
send_key() {
  local id=$1 key=$2
  xdotool windowfocus --sync "$id" || fail "cannot focus window $id"
  xdotool key "$key"
}

# Links the built data files into DIR/data, which it makes: a run folder like a release folder.
link_data() {
  mkdir -p "$1/data"
  for f in "$BUILD"/data/*.bmp "$BUILD"/data/*.tga "$BUILD"/data/music.xm; do ln -s "$f" "$1/data/"; done
}

# Waits, while process PID runs and for at most SECONDS, until a file matching the pattern FILE
# exists; fails if none does.
wait_for_file() {
  local file=$1 pid=$2
  for _ in $(seq 1 $(( $3 * 10 ))); do
    compgen -G "$file" >/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  compgen -G "$file" >/dev/null
}

# Whether no partial file of the video VIDEO (VIDEO.partial-XXXXXX, its MP4 data) is there.
no_partial() { ! compgen -G "$1.partial-*" >/dev/null; }
