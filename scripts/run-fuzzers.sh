#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time from its committed seed
# corpus (fuzz/corpus/<target>). FUZZ_SECONDS sets the time per target (default 60);
# arguments name targets to run (default all). New inputs go to a scratch copy, crash
# reproducers to <build>/artifacts. FUZZ_BUILD_DIR names an already configured fuzz build to
# use instead of the native-fuzz preset's. Inputs under fuzz/regressions/<target> are replayed
# before each run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
if [ -n "${FUZZ_BUILD_DIR:-}" ]; then
  build="$FUZZ_BUILD_DIR"
  cmake --build "$build" -j "$(nproc)"
else
  build=build/native-fuzz
  cmake --preset native-fuzz >/dev/null
  cmake --build --preset native-fuzz -j "$(nproc)"
fi

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

artifacts="$build/artifacts"
mkdir -p "$artifacts"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
for t in "${targets[@]}"; do
  mkdir -p "$scratch/$t"
  log="$scratch/$t.log"
  # Inputs that once failed are replayed first: each must now pass.
  regressions=()
  if [ -d "fuzz/regressions/$t" ]; then regressions=(fuzz/regressions/"$t"/*); fi
  if [ "${#regressions[@]}" -gt 0 ] &&
     ! "$build/fuzz/fuzz_$t" -rss_limit_mb=2048 "${regressions[@]}" >"$log" 2>&1; then
    failed=$((failed + 1))
    echo "fuzz_$t: a regression input FAILED"
    tail -30 "$log"
    continue
  fi
  if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
       -artifact_prefix="$artifacts/$t-" "$scratch/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
    passed=$((passed + 1))
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    echo "fuzz_$t: ${runs:-?} executions in ${seconds} s, nothing found"
  else
    failed=$((failed + 1))
    echo "fuzz_$t: FAILED"
    grep -E "ERROR|check failed|SUMMARY|Test unit written" "$log" | head -20 || tail -30 "$log"
  fi
done
echo "fuzz: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
