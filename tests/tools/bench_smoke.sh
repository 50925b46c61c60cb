#!/usr/bin/env bash
# tessaro bench on the module it loads: a row for every setting with a time, and the worker
# count it was given. No speed is asserted.
# usage: bench_smoke.sh TESSARO [RUNNER...]   (RUNNER: wine for tessaro.exe)
source "$(dirname "$0")/lib.sh"
tessaro=$1
shift
runner=("$@")
export WINEDEBUG=-all

"${runner[@]}" "$tessaro" bench --size 97x61 --frames 2 --workers 2 >"$work/bench" 2>&1 ||
  fail "tessaro bench failed: $(head -c 300 "$work/bench")"
grep -q "^97 x 61, 2 workers" "$work/bench" || fail "no size and worker line: $(head -n 1 "$work/bench")"
for row in "restoring the frame" "Auto Level default" "Auto Level Cb + Cr" "Auto Level RGB mode" \
  "Quillon Level default" "Quillon Level heavy"; do
  # label, ms per frame, frames per second, frames
  grep -qE "^${row//+/\\+} +[0-9]+\.[0-9]{3} +[0-9]+\.[0-9] +2$" "$work/bench" || fail "no row for $row"
done
cat "$work/bench"
expect_status 2 "--size takes WIDTHxHEIGHT" "size refused" -- "${runner[@]}" "$tessaro" bench --size 0x5
expect_status 2 "option not accepted by list" "bench option elsewhere" -- \
  "${runner[@]}" "$tessaro" list --frames 3
finish
