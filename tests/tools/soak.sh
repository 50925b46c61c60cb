#!/usr/bin/env bash
# The soak run: FRAMES frames through one loaded module with resident memory held flat after
# the warm-up, then a few of its clips again, each alone in a fresh process, giving the same
# digests frame for frame. With NATIVE_SOAK_HOST and NATIVE_MODULE set (the Windows program
# under Wine), the native build must give the same digests too: both targets compute the
# same bits.
# usage: soak.sh SOAK_HOST MODULE FRAMES WARMUP_FRAMES FRESH_CLIPS [RUNNER...]
source "$(dirname "$0")/lib.sh"
soak=$1 module=$2 frames=$3 warmup=$4 fresh=$5
shift 5
runner=("$@")
export WINEDEBUG=-all
skip_unless_runs "${runner[@]}"

if "${runner[@]}" "$soak" --module "$module" --frames "$frames" --warmup "$warmup" --digests "$work/long.txt" \
  >"$work/report" 2>&1; then
  echo "ok: $(cat "$work/report")"
else
  fail "long run: $(cat "$work/report")"
fi
lines=$(wc -l <"$work/long.txt")
[ "$lines" -eq "$frames" ] || fail "long run wrote $lines digests for $frames frames"

# Evenly spread over the run, always with the first clip (the largest) and the last.
last=$(tail -n 1 "$work/long.txt" | cut -d' ' -f2)
for ((k = 0; k < fresh; k++)); do
  clip=$((fresh > 1 ? k * last / (fresh - 1) : 0))
  grep "^clip $clip " "$work/long.txt" >"$work/want" || continue
  if ! "${runner[@]}" "$soak" --module "$module" --clip "$clip" --frames "$(wc -l <"$work/want")" \
    --digests "$work/got" >"$work/report" 2>&1; then
    fail "clip $clip alone: $(cat "$work/report")"
  elif cmp -s "$work/want" "$work/got"; then
    echo "ok: clip $clip ($(wc -l <"$work/want") frames, $(cut -d' ' -f5 "$work/want" | head -n 1)) equals a fresh run"
  else
    fail "clip $clip differs from a fresh run: $(diff "$work/want" "$work/got" | head -n 4 | tr '\n' ' ')"
  fi
done
if [ -n "${NATIVE_SOAK_HOST:-}" ]; then
  if [ ! -x "$NATIVE_SOAK_HOST" ]; then
    fail "$NATIVE_SOAK_HOST is missing: build the native-release preset first"
  elif ! "$NATIVE_SOAK_HOST" --module "$NATIVE_MODULE" --frames "$frames" --warmup "$warmup" \
    --digests "$work/native.txt" >"$work/report" 2>&1; then
    fail "native run: $(cat "$work/report")"
  else
    tr -d '\r' <"$work/long.txt" >"$work/long-lf.txt"
    if cmp -s "$work/native.txt" "$work/long-lf.txt"; then
      echo "ok: all $frames digests equal the native build's"
    else
      fail "$(diff "$work/native.txt" "$work/long-lf.txt" | grep -c '^>') of $frames digests differ" \
        "from the native build's, first: $(diff "$work/native.txt" "$work/long-lf.txt" | sed -n 2p)"
    fi
  fi
fi
finish
