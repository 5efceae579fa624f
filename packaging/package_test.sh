#!/usr/bin/env bash
# The Debian package on its own: built from BUILD_DIR, unpacked into a
# scratch root (never installed on this machine), it converts the sample
# database end to end with nothing of the source or build tree in reach.
#
#   packaging/package_test.sh BUILD_DIR
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

deb=$("$src/packaging/make_deb.sh" "$build" "$tmp")
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

echo "== lintian"
lintian --fail-on error --info "$deb" || fail "lintian reports errors"

root=$tmp/root
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)

# Nothing installed names the tree it was built from: no help pages, client
# library or sample read from there by accident.
if hits=$(grep -rlF -e "$src/" -e "$build/" "$root"); then
  fail "installed files name the build tree: $hits"
fi
for f in usr/bin/TSLAGENT usr/bin/tslwizard usr/bin/tsl-mssql usr/bin/tsl-oracle \
         usr/lib/tessaly/libtsloci.so usr/share/tessaly/help/index.html \
         usr/share/tessaly/samples/sample_shop.sql usr/share/applications/tslwizard.desktop \
         usr/share/icons/hicolor/scalable/apps/tslwizard.svg usr/share/doc/tessaly/copyright; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done

# A library search path of the programs, shipped or in the build tree, never
# leads to the current directory: an empty or relative entry would load a
# library planted where the program runs.
search_paths() { readelf -d "$1" | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]$/\2/p'; }
for elf in "$root"/usr/bin/* "$root"/usr/lib/tessaly/*.so "$build/agent/TSLAGENT" \
           "$build/wizard/tslwizard"; do
  for entry in $(search_paths "$elf" | sed 's/^:/<empty>:/; s/::/:<empty>:/g; s/:$/:<empty>/' | tr ':' ' '); do
    case $entry in
      /* | '$ORIGIN'/*) ;;
      *) fail "$elf searches '$entry' for libraries" ;;
    esac
  done
done

# Each program has its page, and each page renders without a complaint.
for program in "$root"/usr/bin/*; do
  page=$root/usr/share/man/man1/$(basename "$program").1.gz
  [ -f "$page" ] || fail "no manual page for $(basename "$program")"
done
for page in "$root"/usr/share/man/man1/*.gz; do
  text=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2> "$tmp/man.err") ||
    fail "man -l $page failed: $(cat "$tmp/man.err")"
  [ ! -s "$tmp/man.err" ] || fail "$(basename "$page"): $(cat "$tmp/man.err")"
  echo "$text" | grep -q '^NAME' || fail "$(basename "$page") has no NAME section"
done

# The unpacked programs, with an environment of their own and a scratch
# directory for current directory, home and data.
mkdir -p "$tmp/home"
cd "$tmp"
run() {
  env -i PATH=/usr/bin:/bin HOME="$tmp/home" LANG=C.UTF-8 \
    TSL_MSSQL_DATA="$tmp/data/mssql" TSL_ORACLE_DATA="$tmp/data/oracle" \
    TSL_ORACLE_CLIENT=libtsloci.so "$@"
}
bin=$root/usr/bin

for program in tsl-mssql tsl-oracle tslwizard; do
  out=$(run "$bin/$program" --version) || fail "$program --version failed"
  [ "$out" = "$program $version" ] || fail "$program --version says '$out', not '$program $version'"
done

run "$bin/tsl-mssql" init > /dev/null
run "$bin/tsl-mssql" run "$root/usr/share/tessaly/samples/sample_shop.sql" > /dev/null
run "$bin/tsl-oracle" create-db ORCL > /dev/null
run "$bin/tsl-oracle" create-user ORCL scott tiger > /dev/null

# libtsloci.so named without a path: the agent can only have found it in the
# prefix it runs from.
if ldconfig -p | grep -q libtsloci; then fail "libtsloci.so is installed on this machine"; fi
status=0
run TSL_ORACLE_PASSWORD=tiger "$bin/TSLAGENT" --src=sample_shop --dest=ORCL --oraclu=scott \
  --logfile="$tmp/agent.log" > "$tmp/agent.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "TSLAGENT ended with status $status: $(cat "$tmp/agent.out")"

# Every table arrived with every row.
count() {
  case $1 in
    mssql) run "$bin/tsl-mssql" -d sample_shop query "SELECT count(*) AS n FROM $2" | sed -n 2p ;;
    oracle) run "$bin/tsl-oracle" sql ORCL scott/tiger -e "SELECT COUNT(*) AS n FROM \"$2\"" | sed -n 3p ;;
  esac
}
for table in customers products orders order_lines; do
  want=$(count mssql "$table")
  got=$(count oracle "$table" | tr -d ' ')
  [ -n "$want" ] && [ "$want" -gt 0 ] || fail "the sample has no rows in $table"
  [ "$got" = "$want" ] || fail "$table: $got rows in Oracle, $want in SQL Server"
done
echo "package_test: the unpacked programs converted the sample"
