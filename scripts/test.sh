#!/usr/bin/env bash
# Builds and runs the whole test suite: the style check, the normal build, then the builds with
# AddressSanitizer and UndefinedBehaviorSanitizer and with ThreadSanitizer, then a bounded run
# of every fuzz target (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/check-format.sh
for preset in default asan tsan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
scripts/fuzz.sh
