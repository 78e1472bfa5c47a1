# An installed copy runs from any folder: moved to another prefix it still finds its data, it
# tries ./data/ first, writes its frames under the current folder and never into the installed
# data; so does an unpacked archive; a missing data file names every place looked for. The
# manual page lists every switch.
source "$(dirname "$0")/common.sh"
need_display
tmp=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT

cmake --install "$BUILD" --prefix "$tmp/prefix" >"$tmp/install.txt" || { cat "$tmp/install.txt" >&2; fail "install failed"; }
listing() { (cd "$1" && find . -type f | sort); }
expected="./bin/velmo
./share/applications/velmo.desktop
./share/icons/hicolor/128x128/apps/velmo.png
./share/man/man6/velmo.6
./share/velmo/data/4s.bmp
./share/velmo/data/5s.bmp
./share/velmo/data/black_800_340.tga
./share/velmo/data/f.bmp
./share/velmo/data/music.xm
./share/velmo/data/quor_drell.bmp
./share/velmo/data/roska.bmp
./share/velmo/data/velmo.bmp"
[ "$(listing "$tmp/prefix")" = "$expected" ] || { listing "$tmp/prefix" >&2; fail "installed files differ"; }
[ "$(identify -format '%m %w %h' "$tmp/prefix/share/icons/hicolor/128x128/apps/velmo.png")" = "PNG 128 128" ] ||
  fail "the icon is not a 128x128 PNG"

mv "$tmp/prefix" "$tmp/moved"
P=$tmp/moved
"$P/bin/velmo" --help | grep -o -- '^--[a-z0-9_]*' >"$tmp/switches.txt"
LC_ALL=C man -l "$P/share/man/man6/velmo.6" 2>/dev/null >"$tmp/man.txt"
while read -r switch; do
  grep -q -- "$switch" "$tmp/man.txt" || fail "the manual page lacks $switch"
done <"$tmp/switches.txt"

# A capture run with the music from a folder of its own, whose ./data/ holds only a broken logo.
mkdir -p "$tmp/run/data"
echo "not a bitmap" >"$tmp/run/data/velmo.bmp"
cd "$tmp/run"
"$P/bin/velmo" --windowed --writeimages >out.txt 2>err.txt &
pid=$!
wait_for_file data/render/velmo30.tga "$pid" 300 || true   # checked below, after the cut
kill -INT "$pid"
wait "$pid"; status=$?; pid=""
[ $status -eq 130 ] || { cat err.txt >&2; fail "capture run cut with SIGINT exited with $status"; }
[ -f data/render/velmo30.tga ] || fail "no frames written under the current folder"
grep -q 'cannot load bitmap ./data/velmo.bmp' out.txt || fail "./data/velmo.bmp was not read first"
[ "$(grep -c '^Texture: ' out.txt)" -eq 1 ] || { grep '^Texture: ' out.txt >&2; fail "installed pictures not found"; }
[ "$(listing "$P")" = "$expected" ] || fail "the run wrote into the installed folder"

# An unpacked archive, ./velmo beside data/, run from another folder finds its data.
mkdir "$tmp/archive" "$tmp/empty" && cp "$VELMO" "$tmp/archive/" && link_data "$tmp/archive"
cd "$tmp/empty"
timeout 120 "$tmp/archive/velmo" --windowed --to 0.04 >out.txt 2>err.txt
status=$?
[ $status -eq 0 ] || { cat err.txt >&2; fail "the archive's velmo run from another folder exited with $status"; }
! grep '^Texture: ' out.txt || fail "the archive's pictures were not found"

# No data anywhere: the message names every place, in the order looked in.
mv "$P/share/velmo/data/music.xm" "$tmp/music.xm"
timeout 120 "$P/bin/velmo" --windowed >out.txt 2>err.txt
status=$?
[ $status -eq 1 ] || { cat err.txt >&2; fail "missing music: exit status $status"; }
grep -qF "./data/music.xm, $P/bin/data/music.xm and $P/share/velmo/data/music.xm" err.txt ||
  { cat err.txt >&2; fail "the places looked for are not named"; }
echo "install ok"
