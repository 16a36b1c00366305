#!/usr/bin/env bash
# Builds everything with AddressSanitizer (and its leak checker) and
# UndefinedBehaviorSanitizer, and runs every test; any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build_dir="${SANITIZE_BUILD_DIR:-build-sanitize}"
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKOR_SANITIZE=ON -DVELKOR_BUILD_BENCH=OFF
fi
cmake --build "$build_dir" -j"$(nproc)"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$(nproc)"
