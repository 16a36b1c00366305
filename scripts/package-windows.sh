#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh, into build-windows/ or
# $BUILD_DIR), stages their install tree with `cmake --install` and makes from that one
# tree both the installer (NSIS) and the zip, in the build folder's package/:
#   VelkorUSBControl-VERSION-setup.exe   installs into Program Files
#   VelkorUSBControl-VERSION-win64.zip   the same files under one folder
#   stage/VelkorUSBControl-VERSION/      the tree itself
# Before packing, every DLL a program or plugin of the tree loads must be in the tree or
# be one of Windows' own, so that nothing runs only where a developer's DLLs lie about.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh
scripts/install-deps.sh nsis zip
build_dir=$(cd "${BUILD_DIR:-build-windows}" && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build_dir/CMakeCache.txt" >&2; exit 1; }
name=VelkorUSBControl-$version
package_dir=$build_dir/package
tree=$package_dir/stage/$name
# The programs' icon, written by the build (app/CMakeLists.txt), is the installer's too.
icon=$build_dir/app/velkor-usb-control.ico
installer=$package_dir/$name-setup.exe
zip=$package_dir/$name-win64.zip
rm -rf "$package_dir/stage"
mkdir -p "$package_dir/stage"
# strip stamps each program and DLL with the time it ran unless told a time: the last
# commit's, so that the same build stages the same bytes (reproducible builds' variable).
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
cmake --install "$build_dir" --prefix "$tree" --strip >/dev/null
# Files copied in keep their modes: the zip would mark a read-only one read-only on
# Windows too. And install --strip strips our programs only: Debian's mingw run-time
# DLLs carry their debugging information (libstdc++-6.dll is ten times its size).
chmod -R u+w,go-w,a+rX "$tree"
find "$tree" -type f \( -iname '*.exe' -o -iname '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-debug {} +

# Windows' own DLLs, as wine provides them; and API sets (api-ms-win-*, ext-ms-*), which
# Windows' loader maps to its DLLs by name.
windows_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
missing=0
while IFS= read -r -d '' binary; do
  while read -r dll; do
    # A program's DLLs are looked for beside the program, at the top of the tree,
    # whichever folder the module loading them is in; Windows ignores case.
    [ -n "$(find "$tree" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
    [ -n "$(find "$windows_dlls" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
    [[ ${dll,,} == api-ms-win-* || ${dll,,} == ext-ms-* ]] && continue
    echo "${binary#"$tree"/} loads $dll, which is neither in the tree nor one of Windows' own" >&2
    missing=1
  done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
done < <(find "$tree" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
[ "$missing" -eq 0 ] || exit 1

# makensis takes half a minute over the DLLs: the installer and the zip are made again
# only when the tree, the version or the installer's sources changed.
fingerprint=$({
  echo "$version"
  (cd "$tree" && find . -type f -exec sha256sum {} + | LC_ALL=C sort -k2)
  sha256sum "$icon" packaging/windows/velkor-usb-control.nsi packaging/windows/make-installer.sh
} | sha256sum | cut -d' ' -f1)
if [ -f "$installer" ] && [ -f "$zip" ] && [ "$(cat "$package_dir/fingerprint" 2>/dev/null)" = "$fingerprint" ]; then
  echo "the installer and the zip are up to date"
else
  rm -f "$package_dir"/*-setup.exe "$package_dir"/*-win64.zip "$package_dir/fingerprint"
  packaging/windows/make-installer.sh --icon "$icon" "$tree" "$version" "$installer"
  # -X: no Unix owners and permissions in the archive, which Windows has no use for.
  (cd "$package_dir/stage" && zip -q -r -X -9 "$zip" "$name")
  echo "$fingerprint" >"$package_dir/fingerprint"
fi

for file in "$installer" "$zip"; do
  echo "$file: $(du -k "$file" | cut -f1) KiB"
done
echo "$(find "$tree" -type f | wc -l) files, $(du -sk "$tree" | cut -f1) KiB staged"
