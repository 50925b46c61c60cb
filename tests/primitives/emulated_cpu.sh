#!/usr/bin/env bash
# One emulated processor model: the code path it gets, then every slot it can run against the
# generic code and whole frames through both filters, on exactly that model's instructions.
# An instruction above the model's level anywhere on the way dies with an illegal instruction.
# Prints one line: the model, its CpuPath and the tests that passed.
# usage: emulated_cpu.sh QEMU MODEL CPU_PATH INIT_STATUS CPU_REPORT TESSARO_TESTS
set -uo pipefail
qemu=$1 model=$2 path=$3 status=$4 report=$5 tests=$6

detection="$("$qemu" -cpu "$model" "$report" 2>&1)"
if ! grep -qx "CpuPath $path InitPrimitives $status" <<<"$detection"; then
  echo "FAIL $model: expected CpuPath $path InitPrimitives $status, got:"
  echo "$detection"
  exit 1
fi

# Differential and detection tests, then the filters' frame tests (small frames, every mode,
# the per-sample and pipeline roads, one and several workers). Every pattern must match tests.
patterns=('*Simd*' 'Cpu*' 'Workers/AutoLevel*' 'Workers/LevelsProc*' 'AutoLevelWorkers.*'
          'LevelsWorkers.*' 'SampleTableTest.*' 'FrameConvertTest.*')
counts=()
for filter in "${patterns[@]}"; do
  if ! out="$("$qemu" -cpu "$model" "$tests" --gtest_brief=1 --gtest_filter="$filter" 2>&1)"; then
    echo "FAIL $model (CpuPath $path): tests $filter"
    echo "$out"
    exit 1
  fi
  n="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' <<<"$out")"
  if [ -z "$n" ] || [ "$n" -eq 0 ]; then
    echo "FAIL $model: no tests match $filter"
    echo "$out"
    exit 1
  fi
  counts+=("$filter $n")
done
summary="$(printf '%s, ' "${counts[@]}")"
echo "emulated $model: CpuPath $path, InitPrimitives $status; tests passed: ${summary%, }"
