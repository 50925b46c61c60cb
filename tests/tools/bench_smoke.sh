#!/usr/bin/env bash
# tessaro bench on the module it loads: a row for every setting with a time, and the worker
# count it was given. No speed is asserted.
# usage: bench_smoke.sh TESSARO [RUNNER...]   (RUNNER: wine for tessaro.exe)
source "$(dirname "$0")/lib.sh"
tessaro=$1
shift
runner=("$@")
export WINEDEBUG=-all
skip_unless_runs "${runner[@]}"

"${runner[@]}" "$tessaro" bench --size 97x61 --frames 2 --workers 2 >"$work/bench" 2>&1 ||
  fail "tessaro bench failed: $(head -c 300 "$work/bench")"
grep -q "^97 x 61, 2 workers" "$work/bench" || fail "no size and worker line: $(head -n 1 "$work/bench")"
for row in "restoring the frame" "Auto Level default" "Auto Level Cb + Cr" "Auto Level RGB mode" \
  "Quillon Level default" "Quillon Level heavy"; do
  # label, ms per frame, frames per second, frames
  grep -qE "^${row//+/\\+} +[0-9]+\.[0-9]{3} +[0-9]+\.[0-9] +2$" "$work/bench" || fail "no row for $row"
done
# The phase table: the phases and the rest add up to the frame; the serial time, outside the
# workers' loops, lies within it (a loop counted twice would make it negative).
awk '/^where the time goes/ { table = 1; next }
     table && /^(Auto|Quillon) Level/ {
       n = split($0, f, / +/); rows++
       frame = f[n - 5]; sum = f[n - 4] + f[n - 3] + f[n - 2] + f[n - 1]; serial = f[n]
       if (sum < frame - 0.003 || sum > frame + 0.003 || serial < -0.0005 || serial > frame + 0.0005) bad = bad " " $0
     }
     END { if (rows != 5 || bad != "") { print rows " rows;" bad; exit 1 } }' "$work/bench" >"$work/phases" ||
  fail "phase table: $(cat "$work/phases")"
cat "$work/bench"
expect_status 2 "--size takes WIDTHxHEIGHT" "size refused" -- "${runner[@]}" "$tessaro" bench --size 0x5
expect_status 2 "option not accepted by list" "bench option elsewhere" -- \
  "${runner[@]}" "$tessaro" list --frames 3
finish
