#!/usr/bin/env bash
# Builds every configuration and runs every test: native (optimised), native with
# AddressSanitizer and UndefinedBehaviorSanitizer, and the 32-bit Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEDEBUG=-all
jobs="$(nproc)"
for preset in native-release native-asan windows-i686-release; do
  echo "== ${preset}"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  ctest --preset "${preset}" -j "${jobs}"
done
