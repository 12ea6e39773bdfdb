#!/usr/bin/env bash
# Builds the Debian package ventora_<version>_<arch>.deb: an optimised build without tests or
# benchmarks, packed by CPack, which reads the dependencies from the shared libraries the
# programs link. Prints the package's path as the last line.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/deb
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVENTORA_BUILD_TESTS=OFF -DVENTORA_BUILD_BENCH=OFF -DVENTORA_BUILD_FUZZ=OFF >&2
cmake --build "$build" >&2
rm -f "$build"/ventora_*.deb
(cd "$build" && cpack -G DEB >&2)

packages=("$build"/ventora_*.deb)
if [ "${#packages[@]}" -ne 1 ] || [ ! -f "${packages[0]}" ]; then
    echo "ERROR: CPack did not produce exactly one ventora_*.deb in $build." >&2
    exit 1
fi
realpath "${packages[0]}"
