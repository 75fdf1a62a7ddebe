#!/usr/bin/env bash
# Configures (once) and builds everything into build/ with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/CMakeCache.txt ] || cmake --preset dev
cmake --build --preset dev -j "$(nproc)"
