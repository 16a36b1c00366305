#!/usr/bin/env bash
# The Windows installer and zip as a Windows user meets them, under wine, in a wine
# prefix and a home folder of their own, thrown away afterwards, with a virtual X
# display (Xvfb) for the windows:
# - an earlier version installed silently, the user saving a settings file in their
#   profile and putting a file of their own in the install folder, then this version
#   installed silently over it: the earlier version's files gone, the user's kept;
# - every file where it belongs and the same as in the zip; the uninstall entry of
#   "Apps & features" and the Start menu entries;
# - velkorctl.exe run from the install folder; the demo started from its Start menu
#   entry (in the user's profile folder) and the program started from the install
#   folder, each showing its window, captured to a PNG in the build folder's package/
#   and checked to show the skin; an install while the demo runs refused;
# - the silent uninstall as "Apps & features" runs it (its QuietUninstallString), then a
#   restart of the emulated Windows: no file and no registry key of ours left, when
#   drive C: and the registry's Software keys are compared with what they held before
#   the first install, and the user's files still there.
# Each failed check says what it expected and what it found.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
scripts/package-windows.sh >/dev/null
scripts/install-deps.sh xvfb x11-utils netpbm unzip
build_dir=$(cd "${BUILD_DIR:-build-windows}" && pwd)
package_dir=$build_dir/package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
name=VelkorUSBControl-$version
installer=$package_dir/$name-setup.exe
zip=$package_dir/$name-win64.zip

# Everything the install places, beside the uninstaller.
installed_files=(
  Qt6Core.dll
  Qt6Gui.dll
  Qt6Svg.dll
  Qt6Widgets.dll
  libgcc_s_seh-1.dll
  libstdc++-6.dll
  libwinpthread-1.dll
  licenses/LICENSE
  licenses/README.txt
  licenses/gcc-runtime/copyright
  licenses/liberation-fonts/copyright
  licenses/mingw-w64/copyright
  licenses/qt/GPL-3.0-only.txt
  licenses/qt/LGPL-3.0-only.txt
  licenses/qt/debian-copyright
  platforms/qwindows.dll
  uninstall.exe
  velkor-usb-control-demo.exe
  velkor-usb-control.exe
  velkorctl.exe
)

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A home of its own too: wine links the profile's folders (Documents, ...) to the home's.
# Wine's menu builder, which mirrors Start menu entries as Linux desktop entries and
# keeps their names in the registry, is no part of Windows: it stays off.
export HOME=$work/home WINEPREFIX=$work/home/.wine WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The profile's Documents is a link to the home's.
mkdir -p "$HOME/Documents"
wine=/usr/lib/wine/wine64
run() { "$wine" "$@" 2>>"$work/wine.log"; }  # run WINDOWS-PROGRAM ARGUMENTS...

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {  # fail DESCRIPTION DETAIL...
  failed=$((failed + 1))
  echo "FAILED: $1"
  shift
  printf '  %s\n' "$@"
}
expect() {  # expect DESCRIPTION EXPECTED FOUND
  if [ "$2" = "$3" ]; then pass; else fail "$1" "expected: $2" "found:    $3"; fi
}
expect_same() {  # expect_same DESCRIPTION EXPECTED-FILE FOUND-FILE: a diff shows both
  if diff -u --label expected --label found "$2" "$3" >"$work/diff"; then
    pass
  else
    fail "$1" "$(cat "$work/diff")"
  fi
}
expect_file() {  # expect_file DESCRIPTION PATH
  if [ -f "$2" ]; then pass; else fail "$1" "expected: a file at ${2#"$WINEPREFIX"/}" "found:    none"; fi
}
expect_no_file() {  # expect_no_file DESCRIPTION PATH
  if [ -e "$2" ]; then fail "$1" "expected: no ${2#"$WINEPREFIX"/}" "found:    it is there"; else pass; fi
}
seconds() { echo "$((SECONDS - started)) s"; }
checksums() {  # checksums FOLDER [FIND-TESTS...]: each file's SHA-256 and path
  local folder=$1
  shift
  (cd "$folder" && find . -type f "$@" -exec sha256sum {} + | LC_ALL=C sort -k2)
}

# The display first: wine's desktop process, started by wineboot, shows every window.
# -fbdir keeps the screen in a file (XWD), from which the captures are cut.
mkdir "$work/screen"
Xvfb -displayfd 3 -screen 0 1024x768x24 -fbdir "$work/screen" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$(cat "$work/display")
run wineboot --init
# A first start of the emulated Windows fills in what only a start does (wine's network
# cards, for one): the uninstall is followed by a restart, so the prefix is compared
# with itself after a restart too.
timeout 120 /usr/lib/wine/wineserver64 -w
run wineboot --restart
echo "wine prefix ready: $(seconds)"

drive_c=$WINEPREFIX/drive_c
profile=$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -1)
install_dir="$drive_c/Program Files/Velkor USB Control"
windows_install_dir='C:\Program Files\Velkor USB Control'
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VelkorUSBControl'

# What drive C: and the registry hold, to compare after the uninstall. Keys that every
# Windows has and that wine makes only when a program first draws text (DirectWrite's
# display settings, the user's font list) are left out while they hold no value.
windows_own_keys='HKEY_LOCAL_MACHINE\Software\Microsoft\Avalon.Graphics
HKEY_LOCAL_MACHINE\Software\Microsoft\Avalon.Graphics\DISPLAY1
HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
snapshot() {  # snapshot NAME
  (cd "$drive_c" && find . -mindepth 1 -printf '%y %P\n' | LC_ALL=C sort) >"$work/$1.files"
  for hive in HKLM HKCU; do
    run reg export "$hive\\Software" "$work/$1.$hive.reg" /y >/dev/null
    iconv -f UTF-16LE -t UTF-8 "$work/$1.$hive.reg" | tr -d '\r' |
      keys=$windows_own_keys awk -v RS= -v ORS='\n\n' '
        BEGIN { split(ENVIRON["keys"], list, "\n"); for (i in list) own["[" list[i] "]"] = 1 }
        !($0 in own)' >"$work/$1.$hive.txt"
  done
}
snapshot before

# A value of the uninstall entry, as reg query prints it: "    NAME    TYPE    DATA".
uninstall_value() {  # uninstall_value NAME
  run reg query "$uninstall_key" /v "$1" | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}

# An earlier version: the same tree under a lower version number, plus a file this
# version no longer ships, which the upgrade must take away.
old_version=0.9.0.0
old_tree=$work/old/VelkorUSBControl-$old_version
mkdir -p "$work/old"
cp -al "$package_dir/stage/$name" "$old_tree"
echo "Shipped by $old_version only." >"$old_tree/RELEASE-NOTES-0.9.txt"
packaging/windows/make-installer.sh --uncompressed "$old_tree" "$old_version" "$work/old-setup.exe" >/dev/null

run "$work/old-setup.exe" /S && status=0 || status=$?
expect "the earlier version's silent install succeeds (exit status)" 0 "$status"
expect "the earlier version is registered" "$old_version" "$(uninstall_value DisplayVersion)"
expect_file "the earlier version placed its own file" "$install_dir/RELEASE-NOTES-0.9.txt"

# The user's: a settings file saved from a converter into their Documents folder, the
# virtual converters' state that velkorctl keeps in their profile, and a file of their
# own in the install folder.
user_settings="$HOME/Documents/stage-left.ini"
run "$install_dir/velkorctl.exe" --virtual save -d 1 'C:\users\'"$(basename "$profile")"'\Documents\stage-left.ini' \
  >/dev/null && status=0 || status=$?
expect "velkorctl.exe saves a settings file into the user's Documents (exit status)" 0 "$status"
echo "my converters' serial numbers" >"$install_dir/my-notes.txt"
user_files=("$user_settings" "$install_dir/my-notes.txt")
sha256sum "${user_files[@]}" >"$work/user-files.sha256" 2>&1 || true
state_files=$(cd "$drive_c" && find "users/$(basename "$profile")/AppData/Local/velkorctl" -type f 2>&1 || true)
expect "velkorctl.exe keeps the virtual converters' state in the user's profile" \
  "users/$(basename "$profile")/AppData/Local/velkorctl/virtual-converters.json" "$state_files"
echo "earlier version installed: $(seconds)"

# This version over it.
run "$installer" /S && status=0 || status=$?
expect "the silent install over the earlier version succeeds (exit status)" 0 "$status"
echo "installed: $(seconds)"
expect_no_file "the upgrade took away the earlier version's file" "$install_dir/RELEASE-NOTES-0.9.txt"
if sha256sum --quiet -c "$work/user-files.sha256" >"$work/check" 2>&1; then pass; else
  fail "the upgrade keeps the user's files as they were" "expected: $(cut -c67- "$work/user-files.sha256" | tr '\n' ' ')" \
    "found:    $(cat "$work/check")"
fi

# The files: exactly the expected ones (and the user's), each as in the zip.
printf '%s\n' "${installed_files[@]}" my-notes.txt | LC_ALL=C sort >"$work/expected-files"
(cd "$install_dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$work/found-files"
expect_same "the install folder holds every file and no other" "$work/expected-files" "$work/found-files"
mkdir "$work/zip"
unzip -q "$zip" -d "$work/zip"
expect "the zip holds one folder" "$name" "$(ls "$work/zip")"
checksums "$work/zip/$name" >"$work/zip.sha256"
checksums "$install_dir" ! -name uninstall.exe ! -name my-notes.txt >"$work/installed.sha256"
expect_same "the installed files are the zip's" "$work/zip.sha256" "$work/installed.sha256"

# The entry of "Apps & features".
zip_bytes=$(find "$work/zip/$name" -type f -printf '%s\n' | awk '{ total += $1 } END { print total }')
while IFS='|' read -r value expected; do
  expect "the uninstall entry's $value" "$expected" "$(uninstall_value "$value")"
done <<EOF
DisplayName|Velkor USB Control
DisplayVersion|$version
Publisher|Velkor
DisplayIcon|$windows_install_dir\\velkor-usb-control.exe,0
InstallLocation|$windows_install_dir
UninstallString|"$windows_install_dir\\uninstall.exe"
QuietUninstallString|"$windows_install_dir\\uninstall.exe" /S
EstimatedSize|$(printf '0x%x' $(((zip_bytes + 1023) / 1024)))
NoModify|0x1
NoRepair|0x1
EOF

# The Start menu, for every user: each entry starts its program from the install folder
# in the profile folder of whoever starts it, where the settings files go.
for entry in "Velkor USB Control|velkor-usb-control.exe" "Velkor USB Control Demo|velkor-usb-control-demo.exe"; do
  shortcut="$start_menu/${entry%|*}.lnk"
  if [ ! -f "$shortcut" ]; then
    fail "the Start menu entry \"${entry%|*}\"" "expected: ${shortcut#"$WINEPREFIX"/}" "found:    none"
    continue
  fi
  strings -el "$shortcut" >"$work/shortcut"
  for text in "$windows_install_dir\\${entry#*|}" '%USERPROFILE%'; do
    if grep -qF "$text" "$work/shortcut"; then pass; else
      fail "the Start menu entry \"${entry%|*}\" names $text" "expected: $text" \
        "found:    $(tr '\n' ' ' <"$work/shortcut")"
    fi
  done
done

# velkorctl.exe from the install folder.
expect "velkorctl.exe --version" "velkorctl $version" "$(run "$install_dir/velkorctl.exe" --version | tr -d '\r')"
expect "velkorctl.exe --virtual list: the three virtual converters" 3 \
  "$(run "$install_dir/velkorctl.exe" --virtual list | grep -c 'virtual:')"

# The window programs, each showing its window: the demo from its Start menu entry, the
# program from the install folder (with no converter under wine, it shows none). Xvfb
# keeps the screen in a file (XWD), from which the window is cut once it is drawn in
# the skin: its dark backgrounds (SkinPalette.h: Base, Sidebar, Shadow) fill most of
# it and its accent blue is there. The capture goes to the package folder, as
# PROGRAM.png.
window_title="Velkor USB Control"
look_at_window() {  # prints the window's size and colours, keeps it in window.ppm
  local info left top width height
  info=$(xwininfo -name "$window_title" 2>/dev/null) || return 1
  grep -q 'Map State: *IsViewable' <<<"$info" || return 1
  left=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
  top=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
  width=$(sed -n 's/^ *Width: *//p' <<<"$info")
  height=$(sed -n 's/^ *Height: *//p' <<<"$info")
  xwdtopnm "$work/screen/Xvfb_screen0" 2>/dev/null |
    pamcut -left "$left" -top "$top" -width "$width" -height "$height" >"$work/window.ppm" 2>/dev/null || return 1
  ppmhist -noheader "$work/window.ppm" | awk -v size="${width}x${height}" -v pixels=$((width * height)) '
    { colour = $1 " " $2 " " $3 }
    colour == "46 49 54" || colour == "39 43 46" || colour == "30 33 36" { background += $5 }
    colour == "1 139 212" { accent += $5 }
    END { printf "%s, %d%% skin background, %d accent pixels\n", size, 100 * background / pixels, accent }'
}
expect_window() {  # expect_window PROGRAM
  local found="no window"
  for _ in $(seq 120); do
    found=$(look_at_window) || found="no window"
    if [[ $found =~ ^800x611,\ ([0-9]+)%.*,\ ([0-9]+)\ accent ]] &&
      [ "${BASH_REMATCH[1]}" -ge 50 ] && [ "${BASH_REMATCH[2]}" -gt 0 ]; then
      pnmtopng "$work/window.ppm" >"$package_dir/$1.png"
      pass
      return
    fi
    sleep 0.5
  done
  [ ! -s "$work/window.ppm" ] || pnmtopng "$work/window.ppm" >"$package_dir/$1.png"
  fail "$1 shows its window in the skin's colours" \
    "expected: 800x611, at least 50% skin background, some accent pixels" "found:    $found"
}
expect_window_closes() {  # expect_window_closes PROGRAM: asked as Windows asks (WM_CLOSE)
  run taskkill /im "$1.exe" >/dev/null || true
  for _ in $(seq 40); do
    xwininfo -name "$window_title" >/dev/null 2>&1 || { pass; return; }
    sleep 0.25
  done
  fail "$1 closes when Windows asks it to" "expected: no window" "found:    its window still open"
  run taskkill /f /im "$1.exe" >/dev/null || true
}
run start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Velkor USB Control Demo.lnk'
expect_window velkor-usb-control-demo
# Where the shortcut started it: wine keeps a program's current folder as the Linux
# process's.
demo_folder="not running"
for process in /proc/[0-9]*; do
  if grep -qaF 'velkor-usb-control-demo.exe' "$process/cmdline" 2>/dev/null &&
    grep -qaxF "WINEPREFIX=$WINEPREFIX" <(tr '\0' '\n' <"$process/environ") 2>/dev/null; then
    demo_folder=$(readlink "$process/cwd")
  fi
done
expect "the demo from the Start menu runs in the user's profile folder" "$profile" "$demo_folder"
# Installing again while a program of the folder runs would leave it half replaced:
# the installer stops before it changes anything.
checksums "$install_dir" >"$work/running.sha256"
run "$installer" /S && status=0 || status=$?
expect "an install while the demo runs stops (exit status)" 2 "$status"
checksums "$install_dir" >"$work/after-refusal.sha256"
expect_same "an install while the demo runs changes no file" "$work/running.sha256" "$work/after-refusal.sha256"
expect_window_closes velkor-usb-control-demo
run "$install_dir/velkor-usb-control.exe" &
program_pid=$!
expect_window velkor-usb-control
expect_window_closes velkor-usb-control
wait "$program_pid" && status=0 || status=$?
expect "velkor-usb-control ends on its own when closed (exit status)" 0 "$status"
echo "checked the install: $(seconds)"

# The uninstall as "Apps & features" runs it. The uninstaller copies itself to the
# temporary folder and runs from there, so that it can delete itself; the copy is
# deleted at the next start of Windows, which wineboot --restart stands for.
quiet_uninstall=$(uninstall_value QuietUninstallString)
uninstaller=$(sed -n 's/^"\(.*\)".*/\1/p' <<<"$quiet_uninstall")
run "$uninstaller" /S && status=0 || status=$?
expect "the silent uninstall starts (exit status)" 0 "$status"
# Until every program of the prefix, the copy too, has ended.
timeout 120 /usr/lib/wine/wineserver64 -w && status=0 || status=$?
expect "every program of the emulated Windows ends after the uninstall (timeout's status)" 0 "$status"
run wineboot --restart
echo "uninstalled: $(seconds)"

printf '%s\n' my-notes.txt >"$work/expected-left"
(cd "$install_dir" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort) >"$work/found-left"
expect_same "the uninstall leaves the user's file, and only it, in the install folder" \
  "$work/expected-left" "$work/found-left"
if sha256sum --quiet -c "$work/user-files.sha256" >"$work/check" 2>&1; then pass; else
  fail "the uninstall keeps the user's files as they were" "$(cat "$work/check")"
fi
for shortcut in "Velkor USB Control" "Velkor USB Control Demo"; do
  expect_no_file "the uninstall removes the Start menu entry \"$shortcut\"" "$start_menu/$shortcut.lnk"
done

snapshot after
# Drive C: as before, but for the user's files (and the folders holding them).
{
  cat "$work/before.files"
  echo "d Program Files/Velkor USB Control"
  echo "f Program Files/Velkor USB Control/my-notes.txt"
  echo "d $(dirname "$state_files")"
  echo "f $state_files"
} | LC_ALL=C sort -u >"$work/expected.files"
expect_same "drive C: holds what it held before the install, and the user's files" \
  "$work/expected.files" "$work/after.files"
for hive in HKLM HKCU; do
  expect_same "$hive\\Software holds what it held before the install" "$work/before.$hive.txt" "$work/after.$hive.txt"
done

echo "$passed passed, $failed failed, $(seconds)"
[ "$failed" -eq 0 ]
