#!/bin/bash
# Builds the release packages of the checked-out commit into dist/ (or the
# folder given): the Windows zip, the Linux tarball and Debian package of
# tavelin, and SHA256SUMS over them. Anyone can rebuild the same bytes from
# the same commit: the sources are an export of the commit, built in a
# folder whose path does not reach the binaries, with the commit's time for
# every date, and archives of sorted entries with fixed times, owners and
# modes.
#   tools/release.sh [DIST]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(mkdir -p "${1:-$root/dist}" && cd "${1:-$root/dist}" && pwd)
version=$(sed -n 's/^project(UsersTavelin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
commit=$(git -C "$root" rev-parse --short=12 HEAD)
export SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct HEAD)
export TZ=UTC LC_ALL=C
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
git -C "$root" archive --format=tar HEAD | tar -x -C "$work/src"
"$work/src/tools/setup.sh" >/dev/null

# The builds: no path of this machine in a binary, no time stamp in a PE file.
flags="-ffile-prefix-map=$work=."
echo "== tavelin $version ($commit): Linux"
cmake -S "$work/src" -B "$work/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVELIN_COMMIT="$commit" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
cmake --build "$work/linux" --target tavelin manual >/dev/null
echo "== tavelin $version ($commit): Windows"
cmake -S "$work/src" -B "$work/windows" -G Ninja --toolchain "$work/src/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTAVELIN_COMMIT="$commit" -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-Wl,--no-insert-timestamp >/dev/null
cmake --build "$work/windows" --target UsersTavelin tavelin >/dev/null

# Staged trees: owners, modes and times as the archives hold them.
settle() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  [ $# -lt 2 ] || chmod 0755 "${@:2}"
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}
stage=$work/stage
mkdir -p "$stage/windows/LICENSES" "$stage/windows/docs" "$stage/linux" "$stage/deb/DEBIAN" \
  "$stage/deb/usr/bin" "$stage/deb/usr/share/man/man1" "$stage/deb/usr/share/doc/tavelin" \
  "$stage/deb/usr/share/lintian/overrides"
cp "$work/windows/app/UsersTavelin.exe" "$work/windows/cli/tavelin.exe" "$work/src/README.md" \
  "$work/src/LICENSE" "$stage/windows/"
cp "$work/src/LICENSES/"* "$stage/windows/LICENSES/"
cp "$work/src/docs/json.md" "$work/src/docs/wef-subscription.xml" "$stage/windows/docs/"
cp "$work/linux/cli/tavelin" "$work/linux/tavelin.1" "$work/src/LICENSE" "$stage/linux/"
settle "$stage/windows" "$stage/windows/UsersTavelin.exe" "$stage/windows/tavelin.exe"
settle "$stage/linux" "$stage/linux/tavelin"

zip_name=users-tavelin-$version-windows-x64.zip
tar_name=tavelin-$version-linux-x86_64.tar.gz
deb_name=tavelin_${version}_amd64.deb
rm -f "$dist/$zip_name" "$dist/$tar_name" "$dist/$deb_name" "$dist/SHA256SUMS"
(cd "$stage/windows" && find . -mindepth 1 | sort | zip -X -D -q -9 -@ "$dist/$zip_name")
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner --format=gnu \
  -C "$stage/linux" -cf - . | gzip -9n >"$dist/$tar_name"

# The Debian package: the program, its manual, the copyright in Debian's
# machine-readable form, a changelog, and why the program is static.
deb=$stage/deb
cp "$work/linux/cli/tavelin" "$deb/usr/bin/tavelin"
gzip -9n <"$work/linux/tavelin.1" >"$deb/usr/share/man/man1/tavelin.1.gz"
date=$(date -u -d "@$SOURCE_DATE_EPOCH" -R)
year=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y)
cat >"$deb/usr/share/doc/tavelin/copyright" <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Users Tavelin
Source: the source of this package is the repository it is built from

Files: *
Copyright: $year The Users Tavelin developers
License: MIT

License: MIT
$(sed 's/^$/./; s/^/ /' "$work/src/LICENSE")
COPYRIGHT
printf 'tavelin (%s) unstable; urgency=medium\n\n  * Release %s, commit %s.\n\n -- The Users Tavelin developers <tavelin@users.invalid>  %s\n' \
  "$version" "$version" "$commit" "$date" | gzip -9n >"$deb/usr/share/doc/tavelin/changelog.gz"
# Static on purpose: the same single file as the tarball's, which starts
# without loading libraries (it reads a small log faster than they load).
echo "tavelin: statically-linked-binary [usr/bin/tavelin]" >"$deb/usr/share/lintian/overrides/tavelin"
cat >"$deb/DEBIAN/control" <<CONTROL
Package: tavelin
Version: $version
Architecture: amd64
Maintainer: The Users Tavelin developers <tavelin@users.invalid>
Installed-Size: $(du -sk --apparent-size "$deb/usr" | cut -f1)
Section: admin
Priority: optional
Description: who logged on to a Windows computer, when and from where
 tavelin reads saved Windows event logs (.evtx) on any system and lists
 logons, logon sessions, failed logons and whole Remote Desktop sessions,
 as tables, CSV or JSON, or as one HTML page.
CONTROL
(cd "$deb" && find usr -type f | sort | xargs md5sum >DEBIAN/md5sums)
settle "$deb" "$deb/usr/bin/tavelin"
dpkg-deb --root-owner-group -Zxz --build "$deb" "$dist/$deb_name" >/dev/null

(cd "$dist" && sha256sum "$zip_name" "$tar_name" "$deb_name" >SHA256SUMS)
if command -v lintian >/dev/null; then
  # Its scratch files go with the build's folder.
  TMPDIR=$work lintian --fail-on error "$dist/$deb_name" 2>&1 | grep -v "root privileges" || true
  TMPDIR=$work lintian --fail-on error "$dist/$deb_name" >/dev/null 2>&1
fi
cat "$dist/SHA256SUMS"
