#!/usr/bin/env bash
# Installs what is needed, builds Ventora and runs its main job on a bundled example table:
# inspect it, then write the fan35 preset of it next to the build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset dev
cmake --build --preset dev --target ventora-cli

cli=build/dev/bin/ventora-cli
"$cli" inspect examples/polaris.bin
"$cli" patch --preset fan35 examples/polaris.bin -o build/dev/polaris-fan35.bin
