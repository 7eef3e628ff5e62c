#!/usr/bin/env bash
# Fails when a C++ file of the tree is not in the repository's clang-format style.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror
echo "clang-format: the tree is in style"
