#!/usr/bin/env bash
# Cross-builds the core, the settings files, the words, velkorctl.exe and their tests
# for 64-bit Windows with mingw-w64 into build-windows/ (or $BUILD_DIR), installing
# what is missing (wine64 too: the build runs its tests through it).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD

scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 googletest libcli11-dev nlohmann-json3-dev cmake ninja-build

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
    -DVELKOR_GTEST_SOURCE_DIR=/usr/src/googletest \
    -DCLI11_DIR="$header_only/share/cmake/CLI11" \
    -Dnlohmann_json_DIR="$header_only/share/cmake/nlohmann_json"
fi
cmake --build "$build_dir" -j"${JOBS:-$(nproc)}"
