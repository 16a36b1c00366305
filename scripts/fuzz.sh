#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer (in
# the sanitized tests' build), and runs each for a bounded time (FUZZ_SECONDS, 60 by
# default) from its seed corpus.
# A crash stops the run; keep its input under fuzz/corpus/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The sanitized tests' build holds the fuzz targets too: after scripts/test-sanitized.sh
# there is nothing left to build.
build_dir="${FUZZ_BUILD_DIR:-${SANITIZE_BUILD_DIR:-build-sanitize}}"
scripts/configure-sanitized.sh "$build_dir"
targets=()
for corpus in fuzz/corpus/*/; do targets+=("fuzz_$(basename "$corpus")"); done
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]}"
seconds="${FUZZ_SECONDS:-60}"
for corpus in fuzz/corpus/*/; do
  target=$(basename "$corpus")
  work=$(mktemp -d)
  echo "fuzzing $target for ${seconds}s"
  "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build_dir/fuzz/$target-" "$work" "$corpus" 2>&1 | grep -E "^(#[0-9]+ +DONE|==|SUMMARY|stat::number_of_executed_units)" || true
  status=${PIPESTATUS[0]}
  rm -rf "$work"
  [ "$status" -eq 0 ] || { echo "fuzz_$target found a failure (status $status)"; exit 1; }
done
