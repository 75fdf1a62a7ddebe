#!/usr/bin/env bash
# Configures (once) and builds everything with a CMake preset: `dev` (the default, into build/,
# warnings as errors) or `asan` (into build-asan/, with the sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
case "$preset" in
  dev) dir=build ;;
  asan) dir=build-asan ;;
  *) echo "usage: scripts/build.sh [dev|asan]" >&2; exit 2 ;;
esac
scripts/install-deps.sh
[ -f "$dir/CMakeCache.txt" ] || cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
