#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in build/ (the dev preset), then in
# build-asan/ under the address and undefined-behaviour sanitizers (the asan preset, whose
# environment makes any finding fail its test). CI runs exactly this.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh dev
ctest --preset dev -j "$(nproc)"
scripts/build.sh asan
ctest --preset asan -j "$(nproc)"
