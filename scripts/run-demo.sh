#!/usr/bin/env bash
# Builds and runs the application on three virtual converters: no hardware needed.
# Every report the converters take and every reply they send is printed on standard
# error, in hex; the protocol's diagnostic lines go to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run-demo: no display to show the window on (DISPLAY is not set)." >&2
  echo "On a machine without one: xvfb-run -a -s '-screen 0 1024x700x24' ${BUILD_DIR:-build}/app/velkor-usb-control-demo" >&2
  exit 2
fi
exec "${BUILD_DIR:-build}/app/velkor-usb-control-demo" "$@"
