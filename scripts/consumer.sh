#!/usr/bin/env bash
# Builds and runs tests/consumer, a new user's project, against lab installed into a temporary prefix
# (from the test build, build-test/) and with lab's sources taken in through add_subdirectory.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LAB_BACKEND=headless

cmake --install build-test --prefix "$work/prefix" > /dev/null
cmake -S tests/consumer -B "$work/installed" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" > /dev/null
cmake --build "$work/installed"
"$work/installed/consumer"

cmake -S tests/consumer -B "$work/sources" -G Ninja -DLAB_SOURCE_DIR="$PWD" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O0" -DLAB_PCH=ON > /dev/null
cmake --build "$work/sources" --target consumer
"$work/sources/consumer"
echo "consumer: built and ran against the installed package and with add_subdirectory"
