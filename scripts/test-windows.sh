#!/usr/bin/env bash
# Cross-builds for 64-bit Windows (scripts/build-windows.sh, into build-windows/ or
# $BUILD_DIR) and runs the tests under wine64 in a wine prefix of their own, thrown
# away afterwards: every suite, the window's suites on Qt's offscreen platform, then
# the demo's first view against the Linux build's (scripts/test-windows-look.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh wine64

# A prefix made for this run: nothing a user's wine holds changes what the tests see.
# Made first, so that the build's one step under wine (the programs' icon) uses it too.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1

scripts/build-windows.sh
build_dir=$(cd "${BUILD_DIR:-build-windows}" && pwd)
(cd "$build_dir" && ctest --output-on-failure -j"$(nproc)")
scripts/test-windows-look.sh
