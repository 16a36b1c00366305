#!/usr/bin/env bash
# Builds the Debian package with CPack from the build in build/ (or $BUILD_DIR) and
# checks it from the package itself: what it holds, and that what it holds works where
# it lands. Also checks that `cmake --install` places the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build_dir="$(realpath "${BUILD_DIR:-build}")"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -f "$build_dir"/velkor-usb-control_*.deb
(cd "$build_dir" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build_dir"/velkor-usb-control_*.deb)
echo "package: $deb"
dpkg-deb -x "$deb" "$work/root"
root="$work/root"
app_id=com.velkor.usbcontrol

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  if "$@" >"$work/check.log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $description"
    sed 's/^/  /' "$work/check.log"
  fi
}

expected=(
  usr/bin/velkor-usb-control
  usr/bin/velkor-usb-control-demo
  usr/bin/velkorctl
  usr/lib/udev/rules.d/70-velkor-converters.rules
  usr/share/applications/$app_id.desktop
  usr/share/icons/hicolor/scalable/apps/$app_id.svg
  usr/share/metainfo/$app_id.metainfo.xml
  usr/share/man/man1/velkorctl.1.gz
)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' | grep -v '/$' | sort >"$work/contents"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
check "the package holds exactly the expected files" diff -u "$work/expected" "$work/contents"
for program in velkor-usb-control velkor-usb-control-demo velkorctl; do
  check "$program is executable" test -x "$root/usr/bin/$program"
done

depends=$(dpkg-deb -f "$deb" Depends)
for package in libhidapi-hidraw0 libqt6widgets6 libqt6svg6 qt6-qpa-plugins fonts-liberation2 \
  fonts-wqy-microhei; do
  check "Depends names $package" grep -q "$package" <<<"$depends"
done
check "the maintainer script is runnable" sh -n <(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postinst)

rule="$root/usr/lib/udev/rules.d/70-velkor-converters.rules"
check "the udev rule is what velkorctl prints" diff -u <("$root/usr/bin/velkorctl" udev-rule) "$rule"
check "the udev rule gives access for three converters" test "$(grep -c 'TAG+="uaccess"' "$rule")" -eq 3

desktop="$root/usr/share/applications/$app_id.desktop"
check "the desktop entry is valid" desktop-file-validate "$desktop"
check "the desktop entry starts an installed program" \
  test -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
check "the desktop entry's icon is installed" \
  test -f "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$desktop").svg"
check "the metainfo validates" appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml"
check "the metainfo launches the desktop entry" grep -q "<launchable type=\"desktop-id\">$app_id.desktop<" \
  "$root/usr/share/metainfo/$app_id.metainfo.xml"
check "the man page reads without warnings" \
  sh -c "zcat '$root/usr/share/man/man1/velkorctl.1.gz' | groff -man -ww -z 2>&1 | (! grep .)"
check "the packaged velkorctl works" test "$("$root/usr/bin/velkorctl" --virtual list | wc -l)" -eq 3

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sed 's|^\./||' | sed 's|^|usr/|' | sort) >"$work/installed"
check "cmake --install places the package's files" diff -u "$work/expected" "$work/installed"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
