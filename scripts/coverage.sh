#!/usr/bin/env bash
# Builds the libraries and the test programs with gcov's counters (build-cov/: unoptimised, no
# benchmarks, examples or fuzz targets), runs every suite, and prints the share of lines the tests
# ran, per component folder and per folder of platform/. A folder below its floor in
# .ci/coverage_floors fails the run. COVERAGE_JOBS sets the build's and the tests' parallelism (the
# machine's processors by default).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${COVERAGE_JOBS:-$(nproc)}

cmake -S . -B build-cov -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" \
  -DCMAKE_C_FLAGS_DEBUG="-O0 -g1" -DLAB_PCH=ON -DLAB_COVERAGE=ON -DLAB_BENCH=OFF -DLAB_EXAMPLES=OFF \
  -DLAB_INSTALL=OFF > /dev/null
cmake --build build-cov -j "$jobs"

# The counts of an earlier run would add to this one's.
find build-cov -name '*.gcda' -delete
ctest --test-dir build-cov --output-on-failure -j "$jobs"
python3 scripts/coverage_report.py build-cov .ci/coverage_floors
