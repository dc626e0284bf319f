#!/usr/bin/env bash
# Sets up, builds the linux, linux-asan and windows presets and runs every test of each
# (the Windows programs under Wine), then a short run of every fuzz target from its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
for preset in linux linux-asan windows; do
    echo "== $preset: build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
for preset in linux linux-asan windows; do
    echo "== $preset: test"
    ctest --preset "$preset" -j "$jobs"
done
if [ -f fuzz/CMakeLists.txt ] && ls fuzz/*.cpp >/dev/null 2>&1; then
    echo "== fuzz: build and short run"
    cmake --preset fuzz >/dev/null
    # Only the fuzzers: the rest of the tree is not meant to link with the fuzzing runtime.
    targets=()
    for source in fuzz/*.cpp; do targets+=("velmora_$(basename "$source" .cpp)"); done
    cmake --build --preset fuzz -j "$jobs" --target "${targets[@]}"
    scripts/fuzz.sh 10
fi
echo "== all tests passed"
