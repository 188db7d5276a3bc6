#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, then the package test (the
# built .deb installed and run); fails when any test fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
bash "$root/scripts/test-package.sh"
