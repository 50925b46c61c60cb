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

# Differential and detection tests, the primitives' known answers on every slot the model
# runs, then the filters' frame tests (small frames, every mode, the per-sample and pipeline
# roads, one and several workers), and hosts' own pictures through both roads. Every pattern
# must match tests.
known='AlignedMemoryTest.*:ColorMatrixS16C3Test.*:SubConstS16C1Test.*:ConvertTest.*'
known+=':HistogramGetSize.*:HistogramInitUniform.*:HistogramS16C1.*:HistogramGetLevels.*'
known+=':PlanarCopyTest.*:ReplaceOutOfRangeTest.*:StatisticsTest.*:MeanS16C3Test.*:MinMaxS16C3Test.*'
# "label=pattern"
patterns=("differential=*Simd*" "detection=Cpu*" "entries=*EntryTest.*" "known answers=$known"
          "Auto Level=Workers/AutoLevel*:AutoLevelWorkers.*"
          "Quillon Level=Workers/LevelsProc*:LevelsWorkers.*"
          "tables=SampleTableTest.*" "frame conversion=FrameConvertTest.*"
          "host pictures=OneAndSeveral/HostPictures.*:PictureCodec.*")
counts=()
for labelled in "${patterns[@]}"; do
  label=${labelled%%=*} filter=${labelled#*=}
  # Each part of a pattern on its own: a renamed suite must not drop out unnoticed.
  IFS=: read -r -a parts <<<"$filter"
  for part in "${parts[@]}"; do
    if ! "$tests" --gtest_list_tests --gtest_filter="$part" | grep -q '^  '; then
      echo "FAIL $model: no tests match $part (of $label)"
      exit 1
    fi
  done
  if ! out="$("$qemu" -cpu "$model" "$tests" --gtest_brief=1 --gtest_filter="$filter" 2>&1)"; then
    echo "FAIL $model (CpuPath $path): tests $filter"
    echo "$out"
    exit 1
  fi
  n="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' <<<"$out")"
  if [ -z "$n" ] || [ "$n" -eq 0 ]; then
    echo "FAIL $model: no tests match $label ($filter)"
    echo "$out"
    exit 1
  fi
  counts+=("$label $n")
done
summary="$(printf '%s, ' "${counts[@]}")"
echo "emulated $model: CpuPath $path, InitPrimitives $status; tests passed: ${summary%, }"
