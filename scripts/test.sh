#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test suite: the Debug build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, clang with libc++, an optimised build
# with the default options (plus -Werror), and a short libFuzzer run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

timed() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "test.sh: $name passed in $((SECONDS - start)) s"
}

preset() {
    cmake --preset "$1"
    cmake --build --preset "$1"
    ctest --preset "$1"
}

# What a distribution packager builds: the options' defaults, optimised, with the tests.
default_release() {
    cmake -S . -B build/default-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENTORA_WERROR=ON
    cmake --build build/default-release
    ctest --test-dir build/default-release --output-on-failure
}

# libFuzzer smoke run (clang, ASan + UBSan): each target fuzzes for 20 seconds from its seeds.
fuzz() {
    cmake --preset fuzz
    cmake --build --preset fuzz --target ventora_fuzzers
    ctest --preset fuzz -L fuzz-smoke
}

# Some releases' clang has no libFuzzer runtime (see scripts/install-deps.sh).
has_libfuzzer() {
    local probe status=0
    probe=$(mktemp -d)
    echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
        >"$probe/probe.cpp"
    clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
        >/dev/null 2>&1 || status=$?
    rm -rf "$probe"
    return "$status"
}

for name in dev asan clang-libcxx; do
    timed "the $name preset" preset "$name"
done
timed "the default Release build" default_release
if has_libfuzzer; then
    timed "the fuzz smoke run" fuzz
else
    echo "test.sh: skipping the fuzz smoke run: clang++ cannot link libFuzzer on this system."
fi
