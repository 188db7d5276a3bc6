#!/usr/bin/env bash
# Sets up, builds and starts the image-resize tool window with any files or
# folders given. The window needs a display; see README.md for headless use.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found. Run it under a virtual one:  xvfb-run -a bash scripts/run.sh [files…]" >&2
    echo "or without any window system:             QT_QPA_PLATFORM=offscreen bash scripts/run.sh [files…]" >&2
    exit 1
fi
exec "$root/build/src/pictavo" "$@"
