#!/usr/bin/env bash
# Builds the native module and command-line host and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native-app >/dev/null
cmake --build --preset native-app -j "$(nproc)"
build/native-app/tools/tessaro demo --out build/demo
