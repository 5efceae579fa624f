#!/usr/bin/env bash
# Renders every page and dialog of the wizard to PNG files, offscreen and
# with the DejaVu fonts, against embedded servers made for the occasion.
#
#   scripts/screenshots.sh [OUTPUT_DIR]     (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

out=${1:-build/screenshots}
mkdir -p "$out"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target wizard_screenshots
QT_QPA_PLATFORM=offscreen build/release/wizard/wizard_screenshots "$out" \
  embedded/mssql/samples wizard/help 2> >(grep -v -e propagateSizeHints -e 'support raise' \
  -e XDG_RUNTIME_DIR >&2)
