#!/usr/bin/env bash
# The real module under Wine: the same clips through tessaro.exe with Tessaro.auf and
# through the native build agree sample for sample, exactly.
# 8-bit results are compared as stored; 16-bit ones in the module's own samples, which
# they hold exactly.
# usage: wine_compare.sh TESSARO_EXE NATIVE_BUILD_DIR [WINE]   (WINE: the command that runs it)
source "$(dirname "$0")/lib.sh"
exe=$1
native=$2/tools/tessaro
sample_diff=$2/tests/sample_diff
wine=${3:-wine}
for f in "$native" "$sample_diff"; do
  [ -x "$f" ] || { echo "FAIL: $f is missing: build the native-release preset first" >&2; exit 1; }
done
export WINEDEBUG=-all

clip 160x120 yuv420p 8 >"$work/in8.y4m"
clip 160x120 yuv444p16le 5 >"$work/in16.y4m"
filters=(
  "--filter|Auto Level"
  "--filter|Auto Level|--check|RGB mode=1"
  "--filter|Auto Level|--check|Cb=1|--check|Cr=1|--set|midRng=30"
  "--filter|Quillon Level|--set|Rc-Hi=40|--set|Rc-Low=40|--move|gamR=60"
)
for input in in8 in16; do
  units=()
  [ "$input" = in16 ] && units=(--module-units)
  for setup in "${filters[@]}"; do
    IFS='|' read -r -a args <<<"$setup"
    label="$input ${args[*]}"
    "$native" apply "$work/$input.y4m" "$work/native.y4m" --quiet "${args[@]}"
    # Through standard input and output, as a client on Windows would use it.
    if ! "$wine" "$exe" apply - - --quiet "${args[@]}" <"$work/$input.y4m" >"$work/wine.y4m"; then
      fail "$label: tessaro.exe failed"
      continue
    fi
    if "$sample_diff" "$work/native.y4m" "$work/wine.y4m" "${units[@]}" --max 0 \
      >"$work/diff"; then
      echo "ok: $label: $(head -n 1 "$work/diff")"
    else
      fail "$label: $(tr '\n' ' ' <"$work/diff")"
    fi
  done
done
finish
