#!/usr/bin/env bash
# Builds everything with AddressSanitizer (and its leak checker) and
# UndefinedBehaviorSanitizer, and runs every test; any finding fails the run. The fuzz
# targets come out of the same build (scripts/fuzz.sh runs them); their corpora are
# replayed as tests by the plain build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build_dir="${SANITIZE_BUILD_DIR:-build-sanitize}"
scripts/configure-sanitized.sh "$build_dir"
cmake --build "$build_dir" -j"$(nproc)"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$(nproc)"
