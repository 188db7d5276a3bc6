#!/usr/bin/env bash
# Saves offscreen pictures of the tool window (empty, with rows, after a start),
# the settings and help dialogs and the helper's window, in all five interface
# languages at the default and minimum sizes:
#   scripts/screenshots.sh [OUTPUT_FOLDER]   (default: build/screenshots)
# Exits non-zero when a page scrolls sideways or hides its start button.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="${1:-$build/screenshots}"
cmake --build "$build" --target pictavo_screenshots -j2 >/dev/null
rm -rf "$out"
QT_QPA_PLATFORM=offscreen "$build/tests/pictavo_screenshots" "$out"
