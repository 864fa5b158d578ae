#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang (AddressSanitizer, UndefinedBehaviorSanitizer,
# warnings as errors) into build-fuzz/ and runs each for FUZZ_SECONDS (20 by default), several at
# once, starting from its seed corpus tests/fuzz/<name>/. A crash or a broken property fails the run
# and prints the input that caused it. `scripts/fuzz.sh NAME...` runs only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
jobs=${FUZZ_JOBS:-$(nproc)}

cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DLAB_PCH=ON \
  -DLAB_FUZZ=ON -DLAB_TESTS=OFF -DLAB_BENCH=OFF -DLAB_EXAMPLES=OFF > build-fuzz.log 2>&1 ||
  { cat build-fuzz.log; exit 1; }
rm -f build-fuzz.log

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for src in tests/fuzz/*.cpp; do names+=("$(basename "$src" .cpp)"); done
fi
cmake --build build-fuzz --target "${names[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/.ci/lsan.supp

run() {
  local name=$1 out=build-fuzz/runs/$1
  rm -rf "$out"
  mkdir -p "$out/corpus" "$out/artifacts"
  # New inputs go to a working corpus of this run; the seeds in the repository stay as they are.
  if build-fuzz/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$out/artifacts/" "$out/corpus" "tests/fuzz/$name" > "$out/log" 2>&1; then
    echo "fuzz $name: $(grep -o 'cov: [0-9]*' "$out/log" | tail -1), $(ls "$out/corpus" | wc -l) inputs kept"
  else
    echo "fuzz $name: FAILED"
    touch "$out/failed"
  fi
}

for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run "$name" &
done
wait
failed=()
for name in "${names[@]}"; do
  [ -e "build-fuzz/runs/$name/failed" ] && failed+=("$name")
done

for name in "${failed[@]}"; do
  out=build-fuzz/runs/$name
  echo "==== fuzz $name failed; its log ends:"
  tail -n 60 "$out/log"
  for input in "$out"/artifacts/*; do
    [ -f "$input" ] || continue
    echo "==== the input ($(basename "$input"), $(stat -c %s "$input") bytes), as hex:"
    od -A x -t x1z -v "$input" | head -n 200
  done
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz: ${#failed[@]} of ${#names[@]} targets failed: ${failed[*]}"; exit 1; }
echo "fuzz: ${#names[@]} targets ran ${seconds}s each, no failure"
