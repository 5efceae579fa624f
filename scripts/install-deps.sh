#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Safe to run again: it does nothing once everything is there.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev sqlite3
          freetds-bin freetds-dev scdoc
          qt6-base-dev qt6-qpa-plugins libqt6test6 fonts-dejavu-core)
# The TDS listener's tests drive it with Node's tedious driver.
command -v node >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# tedious, pinned by its lockfile; installed again only when the lockfile changed.
tedious=embedded/mssql_tds/tests/tedious
cd "$(dirname "$0")/.."
if ! cmp -s "$tedious/package-lock.json" "$tedious/node_modules/.installed-lock.json"; then
  (cd "$tedious" && npm ci --no-audit --no-fund --loglevel=error &&
   cp package-lock.json node_modules/.installed-lock.json)
fi
