# Converters plugged in before the install get their udev rule now, without a replug.
if [ "$1" = "configure" ] && command -v udevadm >/dev/null 2>&1; then
  udevadm control --reload-rules || true
  udevadm trigger --subsystem-match=hidraw --action=change || true
fi
