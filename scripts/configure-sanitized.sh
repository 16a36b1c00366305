#!/usr/bin/env bash
# Configures the sanitized build that the sanitized tests and the fuzzing run share:
# clang with AddressSanitizer (and its leak checker) and UndefinedBehaviorSanitizer, and
# libFuzzer's coverage on every object, so that one build gives both the tests and the
# fuzz targets. Argument: the build folder (configured only once).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$1
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DVELKOR_SANITIZE=ON -DVELKOR_FUZZ=ON -DVELKOR_BUILD_BENCH=OFF
fi
