#!/usr/bin/env bash
# Lays out what an already built tree installs as a Debian package.
#
#   packaging/make_deb.sh BUILD_DIR OUT_DIR
#
# Installs BUILD_DIR under /usr in a staging root, adds what Debian expects
# of a package (compressed manual pages and changelog, the copyright file,
# md5sums), computes Depends from the libraries the programs link, and writes
# OUT_DIR/tessaly_VERSION_ARCH.deb. Prints the package's path.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

maintainer="Tessaly maintainers <maintainers@users.noreply.c-seed-74cdc4b9.example>"
# The one version of the tree, from project() through the generated header.
version=$(sed -n 's/^#define TSL_VERSION "\(.*\)"$/\1/p' "$build/generated/tsl_version.h")
[ -n "$version" ] || { echo "make_deb.sh: no version in $build/generated/tsl_version.h" >&2; exit 1; }
arch=$(dpkg --print-architecture)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# dpkg-shlibdeps expects the package's files under debian/PACKAGE.
root=$stage/debian/tessaly
DESTDIR=$root cmake --install "$build" --prefix /usr --strip >/dev/null

for program in TSLAGENT tslwizard tsl-mssql tsl-oracle; do
  [ -x "$root/usr/bin/$program" ] || { echo "make_deb.sh: $program was not installed" >&2; exit 1; }
done
[ -d "$root/usr/share/man/man1" ] || { echo "make_deb.sh: no manual pages (is scdoc installed?)" >&2; exit 1; }

# The changelog's date is the last commit's, so that a tree packs the same twice.
if stamp=$(git -C "$src" log -1 --format=%ct 2>/dev/null); then :; else stamp=$(date +%s); fi
export SOURCE_DATE_EPOCH=$stamp

doc=$root/usr/share/doc/tessaly
install -d -m 0755 "$doc"
install -m 0644 "$src/packaging/copyright" "$doc/copyright"
{
  echo "tessaly ($version) unstable; urgency=medium"
  echo
  echo "  * Release $version."
  echo
  echo " -- $maintainer  $(date -R -u -d "@$stamp")"
} | gzip -9n > "$doc/changelog.gz"
find "$root/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9n {} +
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f ! -perm -u+x -exec chmod 0644 {} +
find "$root" -type f -perm -u+x -exec chmod 0755 {} +
# A library is loaded, never run.
find "$root/usr/lib" -type f -name '*.so*' -exec chmod 0644 {} +

install -d -m 0755 "$root/DEBIAN"
elves=$(cd "$stage" && find debian/tessaly/usr/bin debian/tessaly/usr/lib -type f \
          -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
# What the compiler notes about itself is no use to anyone running the programs.
# shellcheck disable=SC2086
(cd "$stage" && strip --remove-section=.comment --remove-section=.note $elves)

# Depends: the packages of the libraries actually linked, at the versions
# the build saw. The wizard also needs a Qt platform plugin, which it loads
# without linking.
cat > "$stage/debian/control" <<CONTROL
Source: tessaly

Package: tessaly
Architecture: any
CONTROL
# shellcheck disable=SC2086
shlibs=$(cd "$stage" && dpkg-shlibdeps -O $elves | sed -n 's/^shlibs:Depends=//p')
[ -n "$shlibs" ] || { echo "make_deb.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

cat > "$root/DEBIAN/control" <<CONTROL
Package: tessaly
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $shlibs, qt6-qpa-plugins
Section: database
Priority: optional
Description: copy a Microsoft SQL Server database into an Oracle schema
 Tessaly creates, for every selected table of a SQL Server database, the
 Oracle table with its columns, defaults, NOT NULL, keys, indexes and
 identity sequence in the schema of one Oracle user, then copies every row,
 large text and binary values included. SELECT queries are converted as
 tables of their own.
 .
 TSLAGENT converts unattended from its command line; tslwizard is the
 graphical wizard. tsl-mssql and tsl-oracle manage the embedded SQL Server
 and Oracle that let Tessaly be tried without a server at hand.
CONTROL
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

deb=$out/tessaly_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
