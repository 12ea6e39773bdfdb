#!/usr/bin/env bash
# Installs what is needed, builds Ventora and starts its window. Without a display, run it as
# QT_QPA_PLATFORM=offscreen scripts/run.sh, or under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset dev
cmake --build --preset dev --target ventora ventora-cli

exec build/dev/bin/ventora "$@"
