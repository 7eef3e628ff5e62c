#!/usr/bin/env bash
# Installs what it needs when missing (scripts/deps.sh: clang, the libFuzzer runtime and the rest
# of the build), builds the libFuzzer executables (clang preset "fuzz") and runs each for a
# bounded time, starting from its seed corpus under tests/fuzz/corpus/. New inputs go to a
# scratch corpus under build/fuzz, never into the tree; an input that breaks a property or trips
# a sanitizer is kept as build/fuzz/findings/<target>-crash-... and fails the script.
# FUZZ_SECONDS (default 20) bounds each target; FUZZ_PARALLEL (default 4) targets run at once.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
seconds="${FUZZ_SECONDS:-20}"
parallel="${FUZZ_PARALLEL:-4}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
# The entries write their files to a scratch folder: in memory where there is one.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
rm -rf "$build/work" "$build/findings"
mkdir -p "$build/findings"
targets=()
for corpus in tests/fuzz/corpus/*/; do
  targets+=("$(basename "$corpus")")
done

run_one() {
  local target="$1" seconds="$2" build="$3"
  local work="$build/work/$target"
  mkdir -p "$work"
  if "$build/fuzz/fuzz_$target" "$work" "tests/fuzz/corpus/$target" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$target-" >"$build/work/$target.log" 2>&1; then
    echo "fuzz_$target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' \
      "$build/work/$target.log" | grep -o '[0-9]*$') runs, nothing found"
  else
    echo "fuzz_$target: FAILED (log: $build/work/$target.log)"
    tail -n 40 "$build/work/$target.log"
    return 1
  fi
}
export -f run_one

printf '%s\n' "${targets[@]}" |
  xargs -P "$parallel" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$build"
