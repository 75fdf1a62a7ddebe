#!/usr/bin/env bash
# Installs what is missing, builds, and starts Seiran on the simulated instrument.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
exec build/bin/seiran-cli --simulate "${SEIRAN_MODEL:-11}" info
