#!/usr/bin/env bash
# Makes the installer from a staged install tree:
#   make-installer.sh [--icon FILE.ico] [--uncompressed] TREE VERSION OUTFILE
# The lists of files to install and to remove are made from TREE itself, so that the
# installer places every file of it and its uninstaller removes exactly those. The icon
# is the installer's and the uninstaller's (NSIS's own without it); --uncompressed makes
# a quick build for tests.
set -euo pipefail
usage="usage: $0 [--icon FILE.ico] [--uncompressed] TREE VERSION OUTFILE"
compression=lzma
defines=()
while [ $# -gt 0 ]; do
  case $1 in
    --icon) defines+=(-DICON="$(realpath "$2")"); shift 2 ;;
    --uncompressed) compression=none; shift ;;
    -*) echo "$usage" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] || { echo "$usage" >&2; exit 2; }
tree=$(realpath "$1")
version=$2
outfile=$(realpath -m "$3")
script_dir=$(cd "$(dirname "$0")" && pwd)

[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
  { echo "$0: the version must have four numbers (Windows' version resource): $version" >&2; exit 2; }

lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT

cd "$tree"
# NSIS reads $ and " in a string as its own; no file of ours is named with them.
if find . | grep -q '[$"]'; then
  echo "$0: a staged file name holds \$ or \": $(find . | grep '[$"]' | head -1)" >&2
  exit 1
fi
mapfile -t files < <(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
mapfile -t folders < <(find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r)
[ ${#files[@]} -gt 0 ] || { echo "$0: $tree holds no file" >&2; exit 1; }
windows_path() { printf '%s' "${1//\//\\}"; }

{
  current=""
  for file in "${files[@]}"; do
    folder=$(dirname "$file")
    if [ "$folder" != "$current" ]; then
      if [ "$folder" = . ]; then
        echo 'SetOutPath "$INSTDIR"'
      else
        echo "SetOutPath \"\$INSTDIR\\$(windows_path "$folder")\""
      fi
      current=$folder
    fi
    echo "File \"$tree/$file\""
  done
} >"$lists/install-files.nsh"
{
  for file in "${files[@]}"; do echo "Delete \"\$INSTDIR\\$(windows_path "$file")\""; done
  # Deepest first (reverse order puts a folder after those inside it).
  for folder in "${folders[@]}"; do echo "RMDir \"\$INSTDIR\\$(windows_path "$folder")\""; done
} >"$lists/uninstall-files.nsh"

# "Apps & features" shows the size in KiB.
bytes=$(find . -type f -printf '%s\n' | awk '{ total += $1 } END { print total }')
size_kib=$(((bytes + 1023) / 1024))

makensis -V2 -NOCD \
  -DVERSION="$version" -DSTAGE="$tree" -DFILE_LISTS="$lists" -DESTIMATED_SIZE_KIB="$size_kib" \
  -DOUTFILE="$outfile" -DCOMPRESSION="$compression" "${defines[@]}" \
  "$script_dir/velkor-usb-control.nsi"
