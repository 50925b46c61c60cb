#!/usr/bin/env bash
# Builds every configuration and runs every test: native (optimised), native with
# AddressSanitizer and UndefinedBehaviorSanitizer, native with ThreadSanitizer (clang), the
# native build on emulated processors, the 32-bit Windows build under
# Wine, the 64-bit Windows build (with the AviUtl ExEdit2 plug-in) under 64-bit Wine, the
# packages (the Debian one installed, tried and removed again), then each fuzz target for a
# bounded time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEDEBUG=-all
jobs="$(nproc)"
for preset in native-release native-asan native-tsan windows-i686-release windows-x64-release; do
  echo "== ${preset}"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  ctest --preset "${preset}" -j "${jobs}"
  if [ "${preset}" = native-release ]; then
    echo "== emulated processors (native-release on qemu, one model per code path)"
    log="$(mktemp)"
    if ! ctest --preset native-emulated -j "${jobs}" >"${log}" 2>&1; then
      cat "${log}"
      exit 1
    fi
    # One line per model: its CpuPath and how many tests ran on it.
    sed -n 's/^[0-9]*: \(emulated .*\)$/\1/p' "${log}"
    grep -E '% tests passed' "${log}"
    rm -f "${log}"
  fi
done

echo "== packages"
bash scripts/check-packages.sh

echo "== native-fuzz"
bash scripts/run-fuzzers.sh
