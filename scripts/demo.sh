#!/usr/bin/env bash
# Sets up everything, builds, and runs the tool against the simulated bridge.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillon
build/default/quillon --demo
