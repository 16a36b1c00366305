#!/usr/bin/env bash
# Reads the demo through the desktop's accessibility bus, as a screen reader would, on a
# virtual display in a D-Bus session of its own: at start, after a scan and on every
# page of a converter of each model, reached by the readers' own actions. Fails on a
# control that shows without a name, or a list not linked to its label.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/install-deps.sh at-spi2-core python3-pyatspi dbus dbus-x11 xvfb xauth
build_dir="${BUILD_DIR:-build}"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target velkor-usb-control-demo -j"$(nproc)" >/dev/null
# Debian's Python, whose pyatspi it is, whatever python3 comes first on the path.
set +e
timeout 600 xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- \
  /usr/bin/python3 tests/accessibility/atspi_check.py "$build_dir/app/velkor-usb-control-demo" 2>&1 |
  grep -v '^dbus-daemon\['
exit "${PIPESTATUS[0]}"
