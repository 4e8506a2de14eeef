#!/usr/bin/env bash
# Builds and runs every test: the format check, the Release build with its Debian package check,
# the sanitizer build (ASan + UBSan) and a short run of each fuzz target. FUZZ_SECONDS sets the
# fuzzing time per target (default 60, 0 skips).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
JOBS=$(nproc)
FUZZ_SECONDS=${FUZZ_SECONDS:-60}

scripts/format-check.sh

echo "== Release build =="
# The Release build prints no compiler warning; CI keeps it so by making any warning an error.
# BUILD_TESTING=ON: scripts/run.sh shares this build folder and leaves the tests off in its cache.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DBUILD_TESTING=ON
cmake --build build -j "$JOBS"
cmake --install build --prefix build/dist >/dev/null
ctest --test-dir build --output-on-failure -j "$JOBS"
scripts/package-check.sh build

echo "== Sanitizer build (ASan + UBSan) =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHOOKWISE_SANITIZE=ON -DHOOKWISE_BENCH=OFF
cmake --build build-asan -j "$JOBS"
cmake --install build-asan --prefix build-asan/dist >/dev/null
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS"

if [ "$FUZZ_SECONDS" -gt 0 ]; then
  echo "== Fuzz targets (${FUZZ_SECONDS}s each) =="
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DHOOKWISE_FUZZ=ON -DHOOKWISE_APP=OFF -DHOOKWISE_BENCH=OFF \
    -DBUILD_TESTING=OFF
  cmake --build build-fuzz -j "$JOBS"
  scripts/fuzz.sh build-fuzz "$FUZZ_SECONDS"
fi
echo "All tests passed."
