#!/bin/bash
# Makes the wine prefix that wine-checks.sh copies in the test machine: wineboot there,
# under TCG, takes minutes, here seconds. Its bus driver reads the hidraw nodes itself:
# wine 8 otherwise looks for HID devices through SDL and takes none of them, and with no
# udev daemon in the machine it watches /dev instead of asking one.
# Argument: the folder to make (made anew).
set -euo pipefail
prefix=$1
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
rm -rf "$prefix"
mkdir -p "$prefix"
# Nothing draws: no display, no menu entries, no .NET or HTML engines to install.
export WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" wineboot --init >"$prefix.log" 2>&1 || { echo "make-wine-prefix: wineboot failed:"; cat "$prefix.log"; exit 1; } >&2
winebus='HKLM\System\CurrentControlSet\Services\winebus'
for value in "Enable SDL=0" "DisableUdevd=1"; do
  "$wine" reg add "$winebus" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f >>"$prefix.log" 2>&1 ||
    { echo "make-wine-prefix: the registry value ${value%=*} could not be set:"; cat "$prefix.log"; exit 1; } >&2
done
# The registry reaches its files when the server ends.
"$wineserver" -k
"$wineserver" -w
