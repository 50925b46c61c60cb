#!/usr/bin/env bash
# Builds every configuration and runs every test: native (optimised), native with
# AddressSanitizer and UndefinedBehaviorSanitizer, native with ThreadSanitizer (clang and LLVM's
# OpenMP runtime), the 32-bit Windows build under Wine, then each fuzz target for a bounded
# time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEDEBUG=-all
jobs="$(nproc)"
for preset in native-release native-asan native-tsan windows-i686-release; do
  echo "== ${preset}"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  ctest --preset "${preset}" -j "${jobs}"
done

echo "== native-fuzz"
bash scripts/run-fuzzers.sh
