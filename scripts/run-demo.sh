#!/usr/bin/env bash
# Builds the native module and command-line host and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j "$(nproc)"
build/native-release/tools/tessaro demo --out build/demo
