#!/usr/bin/env bash
# Builds the Debian package tossaro_VERSION_amd64.deb: a release build with
# Debian's hardening flags, installed under /usr in a staging folder, the
# program stripped, the man page and changelog compressed, the
# dependencies computed by dpkg-shlibdeps.
# usage: bash scripts/package.sh [OUT_DIR]   (default: the repository's root)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root}" && cd "${1:-$root}" && pwd)
cd "$root"
bash scripts/install-deps.sh package

version=$(sed -n 's/^project(tossaro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
build=$out/package-build
# dpkg-shlibdeps reads the package's name from debian/control and finds
# the package's root in debian/tossaro by its DEBIAN folder.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/debian/tossaro
mkdir -p "$stage"
printf 'Source: tossaro\n\nPackage: tossaro\nArchitecture: any\n' >"$work/debian/control"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOSSARO_TESTS=OFF -DTOSSARO_BENCH=OFF \
   -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
   -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
   -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)" --target tossaro >/dev/null
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null

usr=$stage/usr
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$usr/games/tossaro"
gzip -9n "$usr/share/man/man6/tossaro.6"
doc=$usr/share/doc/tossaro
rm "$doc/LICENSE"  # the copyright file carries it
cp data/copyright "$doc/copyright"
gzip -9n <data/changelog >"$doc/changelog.gz"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$usr/games/tossaro"

mkdir "$stage/DEBIAN"
depends=$(cd "$work" && dpkg-shlibdeps -O debian/tossaro/usr/games/tossaro |
          sed -n 's/^shlibs:Depends=//p')

(cd "$stage" && find usr -type f -exec md5sum {} + | sort -k 2) >"$stage/DEBIAN/md5sums"
cat >"$stage/DEBIAN/control" <<CONTROL
Package: tossaro
Version: $version
Architecture: $arch
Maintainer: The Tossaro developers <tossaro@users.noreply.github.com>
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $depends
Section: games
Priority: optional
Homepage: https://github.com/tossaro/tossaro
Description: juggling arcade game with coloured targets
 Keep three balls, red, green and blue, in the air with two hands that
 move by themselves: tilt them and set their power from the keyboard so
 that the balls fly into coloured targets. A target needs one, two or all
 three colours, and the smaller it is, the more it is worth. Collect one
 every ten seconds, or the energy drains until the hands let go.
 .
 The ten best scores are kept for each player, with the names they give.
CONTROL
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

deb=$out/tossaro_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"
