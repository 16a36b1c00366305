#!/usr/bin/env bash
# Cross-builds for 64-bit Windows (scripts/build-windows.sh, into build-windows/ or
# $BUILD_DIR) and runs the tests under wine64 in a wine prefix of their own, thrown
# away afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh
build_dir=$(cd "${BUILD_DIR:-build-windows}" && pwd)

# A prefix made for this run: nothing a user's wine holds changes what the tests see.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
cd "$build_dir"
ctest --output-on-failure
