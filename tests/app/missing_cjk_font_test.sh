#!/bin/sh
# Without the Chinese font the window programs still start: the font is recommended,
# not required, and the About texts fall back to what the font configuration finds.
# The font's folder is hidden in a mount namespace of this test's own, which needs
# root (CI runs as root); elsewhere the test is skipped.
# Usage: missing_cjk_font_test.sh path/to/velkor-usb-control-demo path/to/no-system-fonts.conf
set -u
demo="$1"
fonts_conf="$2"
font_dir=/usr/share/fonts/truetype/wqy
unshare -m true 2>/dev/null && [ -d "$font_dir" ] || { echo "skipped: needs root and $font_dir"; exit 77; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Still running after three seconds: it did not stop at the missing font.
unshare -m sh -c 'mount -t tmpfs none "$1" && shift &&
  FONTCONFIG_FILE="$1" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR= timeout 3 "$2" >/dev/null 2>"$3"' \
  sh "$font_dir" "$fonts_conf" "$demo" "$out"
status=$?
[ "$status" -eq 124 ] || { echo "the demo ended with $status:"; cat "$out"; exit 1; }
grep -q "wqy-microhei.ttc is missing (Debian package fonts-wqy-microhei)" "$out" ||
  { echo "no warning about the missing font:"; cat "$out"; exit 1; }
echo "passed"
