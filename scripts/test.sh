#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test suite: the Debug build and the
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in dev asan; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

# libFuzzer smoke run (clang, ASan + UBSan): each target fuzzes for 20 seconds from its seeds.
cmake --preset fuzz
cmake --build --preset fuzz --target ventora_fuzzers
ctest --preset fuzz -L fuzz-smoke
