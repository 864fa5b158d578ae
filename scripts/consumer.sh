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

# The README's three programs, which it quotes word for word: built against the installed package
# as a new user builds them, and where an X server can be started, each started and closed with
# Alt+F4 as a user closes it.
python3 scripts/readme_code.py
cmake -S tests/consumer/programs -B "$work/programs" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" > /dev/null
cmake --build "$work/programs"
if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 3> "$work/display" 2> /dev/null &
  xvfb=$!
  trap 'kill $xvfb; rm -rf "$work"' EXIT
  for tries in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  run_and_close() {  # caption, program and arguments
    local caption=$1
    shift
    (cd "$work" && LAB_BACKEND=x11 timeout 60 "$@") &
    local program=$!
    timeout 30 xdotool search --sync --onlyvisible --name "^$caption\$" windowfocus --sync > /dev/null
    xdotool key alt+F4
    wait $program
  }
  run_and_close Lenses "$work/programs/lens_grid"
  run_and_close "$PWD/README.md" "$work/programs/file_editor" "$PWD/README.md"
  run_and_close "Crash reporting" "$work/programs/crash_reporting"
  unset DISPLAY
fi

cmake -S tests/consumer -B "$work/sources" -G Ninja -DLAB_SOURCE_DIR="$PWD" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O0" -DLAB_PCH=ON > /dev/null
cmake --build "$work/sources" --target consumer
"$work/sources/consumer"
echo "consumer: built and ran against the installed package and with add_subdirectory; the README's programs built and ran"
