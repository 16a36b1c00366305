#!/usr/bin/env bash
# The demo's first view drawn by the Windows build under wine against the Linux build's,
# in one virtual X display: each is captured from the screen (what wine's windows
# platform plugin and Qt's xcb plugin actually put there) and the two are compared
# pixel by pixel (tests/look/look_compare: the skin exact, text within a small
# tolerance). Fails on any difference beyond that, keeping both captures and a
# picture of the differences in build-windows/look/.
#
# Needs the Windows build (scripts/build-windows.sh); builds what it needs of the Linux
# one. Run by scripts/test-windows.sh, in its wine prefix; alone, in a prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh xvfb xauth imagemagick
linux_build=$(realpath "${LINUX_BUILD_DIR:-build}")
windows_build=$(realpath "${BUILD_DIR:-build-windows}")
[ -f "$linux_build/build.ninja" ] || cmake -S . -B "$linux_build" -G Ninja >/dev/null
cmake --build "$linux_build" --target velkor-usb-control-demo look_compare -j"$(nproc)" >/dev/null
out="$windows_build/look"
rm -rf "$out"
mkdir -p "$out"

work=$(mktemp -d)
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$work/wine-prefix" WINEDEBUG=-all
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
fi
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own; Xvfb writes the number it took.
Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

grab() { import -window root -crop 800x611+0+0 +repage "$1" 2>/dev/null; }
grab "$work/empty.png"

# Captures the window's place once the picture there has settled: not the empty
# screen, and the same in two captures a moment apart.
capture() {
  local file=$1 previous="$work/previous.png"
  for _ in $(seq 150); do
    sleep 0.2
    grab "$file" || continue
    if ! cmp -s "$file" "$work/empty.png" && cmp -s "$file" "$previous"; then return 0; fi
    cp "$file" "$previous"
  done
  echo "test-windows-look: no settled window to capture for $file" >&2
  return 1
}

# Runs one demo, captures its first view, ends it and waits until its window is gone.
show_and_capture() {
  local file=$1
  shift
  "$@" >/dev/null 2>&1 &
  local pid=$!
  pids+=("$pid")
  capture "$file"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    grab "$work/gone.png" && cmp -s "$work/gone.png" "$work/empty.png" && return 0
    sleep 0.1
  done
}

QT_QPA_PLATFORM=xcb show_and_capture "$out/linux.png" "$linux_build/app/velkor-usb-control-demo"
show_and_capture "$out/windows.png" /usr/lib/wine/wine64 "$windows_build/deploy/velkor-usb-control-demo.exe"
/usr/lib/wine/wineserver64 -k 2>/dev/null || true

if "$linux_build/tests/look/look_compare" "$out/linux.png" "$out/windows.png" "$out/difference.png"; then
  rm -rf "$out"
else
  echo "test-windows-look: the captures and the differences are in $out" >&2
  exit 1
fi
