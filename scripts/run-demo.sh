#!/usr/bin/env bash
# Builds and runs the program on three virtual converters: no hardware needed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec "${BUILD_DIR:-build}/tools/velkorctl" --virtual --verbose status "$@"
