#!/usr/bin/env bash
# Installs what is missing, builds, and starts the analyzer window on the simulated instrument.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
model="${SEIRAN_MODEL:-11}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running one capture with seiran-cli instead of the window."
  exec build/bin/seiran-cli --simulate "$model" capture
fi
exec build/bin/seiran --simulate "$model"
