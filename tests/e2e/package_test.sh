# Both release packages from one cpack run: the archive holds ./velmo beside data/ and runs
# where it is unpacked; the .deb holds the installed layout, carries the version of the
# executable and depends on the package of every library it links and on the GStreamer
# plug-ins it loads at run time.
source "$(dirname "$0")/common.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cpack --config "$BUILD/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.txt" 2>&1 || { cat "$tmp/cpack.txt" >&2; fail "cpack failed"; }
version=$("$VELMO" --version | sed -n 's/^velmo \([0-9][0-9.]*\)$/\1/p')
[ -n "$version" ] || fail "velmo --version printed no version"
data="4s.bmp 5s.bmp black_800_340.tga f.bmp music.xm quor_drell.bmp roska.bmp velmo.bmp"

tgz=$tmp/out/velmo-$version-Linux.tar.gz
[ -f "$tgz" ] || { ls "$tmp/out" >&2; fail "no velmo-$version-Linux.tar.gz"; }
expected=$( (echo velmo; for f in $data; do echo "data/$f"; done) | sort)
actual=$(tar tzf "$tgz" | grep -v '/$' | sed "s|^velmo-$version-Linux/||" | sort)
[ "$actual" = "$expected" ] || { tar tzf "$tgz" >&2; fail "the archive holds other files"; }
mkdir "$tmp/unpacked" && tar xzf "$tgz" -C "$tmp/unpacked"
(cd "$tmp/unpacked/velmo-$version-Linux" && ./velmo --version >/dev/null) || fail "the unpacked ./velmo does not run"

debs=("$tmp"/out/velmo_"$version"_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { ls "$tmp/out" >&2; fail "no velmo_${version}_*.deb"; }
[ "$(dpkg-deb -f "$deb" Package)" = velmo ] || fail "the .deb is not named velmo"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the .deb's version is not $version"
dpkg -x "$deb" "$tmp/root"
expected=$( (echo usr/bin/velmo usr/share/applications/velmo.desktop usr/share/icons/hicolor/128x128/apps/velmo.png \
  usr/share/man/man6/velmo.6 | tr ' ' '\n'; for f in $data; do echo "usr/share/velmo/data/$f"; done) | sort)
[ "$(cd "$tmp/root" && find . -type f | sed 's|^\./||' | sort)" = "$expected" ] || { dpkg-deb -c "$deb" >&2; fail "the .deb holds other files"; }
"$tmp/root/usr/bin/velmo" --version >/dev/null || fail "the packaged executable does not run"

depends=$(dpkg-deb -f "$deb" Depends)
names=" $(echo "$depends" | sed 's/([^)]*)//g; s/[,|]/ /g' | tr -s ' ') "
required="gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly
  gstreamer1.0-libav gstreamer1.0-alsa"
for lib in $(readelf -d "$tmp/root/usr/bin/velmo" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
  package=$(dpkg -S "*/$(gcc -print-multiarch)/$lib" 2>/dev/null | head -n 1 | cut -d: -f1)
  [ -n "$package" ] || fail "no installed package holds $lib"
  required="$required $package"
done
for p in $required; do
  case "$names" in *" $p "*) ;; *) fail "Depends lacks $p: $depends" ;; esac
done
echo "packages ok: $(basename "$tgz") $(basename "$deb")"
