#!/usr/bin/env bash
# Cross-builds everything for 64-bit Windows with mingw-w64 into build-windows/ (or
# $BUILD_DIR): the core, the settings files, the words, velkorctl.exe, the window
# programs and their tests, installing what is missing (wine64 too: the build runs a
# step and the tests through it). Qt for Windows comes from ../shared/qt6-mingw (or
# $QT_MINGW_DIR); Debian's Qt of the same version gives the host tools (moc, rcc).
# The window programs' runnable layout is build-windows/deploy/.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
qt_mingw_dir=${QT_MINGW_DIR:-$(cd .. && pwd)/shared/qt6-mingw}
[ -f "$qt_mingw_dir/lib/cmake/Qt6/Qt6Config.cmake" ] ||
  { echo "build-windows: no Qt for Windows in $qt_mingw_dir (set QT_MINGW_DIR)" >&2; exit 2; }

scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 googletest libcli11-dev nlohmann-json3-dev cmake ninja-build \
  qt6-base-dev qt6-base-dev-tools fonts-liberation2

build_dir="${BUILD_DIR:-build-windows}"
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

# CLI11 and nlohmann-json are headers only, but their Debian packages place them in
# /usr/include beside the Linux system's headers, which a Windows build must not see:
# a folder of their own holds just them, with their CMake package files.
header_only="$build_dir/header-only"
mkdir -p "$header_only/include" "$header_only/share/cmake"
for dir in CLI nlohmann; do ln -sfn "/usr/include/$dir" "$header_only/include/$dir"; done
for package in CLI11 nlohmann_json; do
  mkdir -p "$header_only/share/cmake/$package"
  cp /usr/share/cmake/$package/*.cmake "$header_only/share/cmake/$package/"
done

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$qt_mingw_dir" \
    -DVELKOR_GTEST_SOURCE_DIR=/usr/src/googletest \
    -DCLI11_DIR="$header_only/share/cmake/CLI11" \
    -Dnlohmann_json_DIR="$header_only/share/cmake/nlohmann_json"
fi
# One step runs under wine (the window programs' icon, drawn by our own code): in the
# caller's wine prefix, else in one the build folder keeps.
export WINEPREFIX=${WINEPREFIX:-$build_dir/wine-prefix} WINEDEBUG=${WINEDEBUG:--all}
cmake --build "$build_dir" -j"${JOBS:-$(nproc)}"
