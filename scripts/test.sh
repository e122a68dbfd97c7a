#!/usr/bin/env bash
# Installs what the tests need, then builds and runs the whole suite twice: a normal build and
# one with AddressSanitizer and UndefinedBehaviorSanitizer. Also builds the fuzz target with
# clang, so it keeps compiling (running it is a separate, manual step).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== normal build"
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j 2)

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
bash scripts/build.sh build-asan -DTUNEMARK_SANITIZE=ON -DTUNEMARK_BENCH=OFF
(cd build-asan && ctest --output-on-failure -j 2)

echo "== fuzz target (clang, libFuzzer)"
bash scripts/build.sh build-fuzz -DTUNEMARK_TAGS_ONLY=ON -DTUNEMARK_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++
