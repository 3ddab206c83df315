#!/usr/bin/env bash
# Installs what is missing, builds every variant and runs every test:
#   build-fuzz/  clang + libFuzzer: each fuzz target runs briefly
#   build-asan/  AddressSanitizer + UBSan: unit and in-process tests
#   build/       Release: every test, end-to-end ones included (under Xvfb, started by the tests)
# Benchmarks are built in build/ but not run (see README).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKT_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$jobs"
(cd build-fuzz && ctest -j"$jobs" -L fuzz)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKT_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest -j"$jobs" -L 'unit|inprocess')

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs")
