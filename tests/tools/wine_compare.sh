#!/usr/bin/env bash
# The Windows build under Wine against the native build, sample for sample, exactly: the
# filters built into tessaro.exe against native tessaro, and the real module (Tessaro.auf
# driven through its export, as the editor drives it) against the native module.
# 8-bit results are compared as stored; 16-bit ones in the filters' own samples, which
# they hold exactly.
# usage: wine_compare.sh TESSARO_EXE NATIVE_BUILD_DIR [WINE]   (WINE: the command that runs it)
source "$(dirname "$0")/lib.sh"
exe=$1
native=$2/tools/tessaro
native_module=$2/tools/Tessaro.so
sample_diff=$2/tests/sample_diff
wine=${3:-wine}
for f in "$native" "$native_module" "$sample_diff"; do
  [ -e "$f" ] || { echo "FAIL: $f is missing: build the native-release preset first" >&2; exit 1; }
done
export WINEDEBUG=-all
skip_unless_runs "$wine"
exe_dir=$(cd "$(dirname "$exe")" && pwd)

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
    for through in filters module; do
      label="$input, $through: ${args[*]}"
      native_module_args=() exe_module_args=()
      if [ "$through" = module ]; then
        native_module_args=(--module "$native_module")
        # Found beside the program, as Windows looks for a library.
        exe_module_args=(--module Tessaro.auf)
      fi
      "$native" apply "$work/$input.y4m" "$work/native.y4m" --quiet "${native_module_args[@]}" "${args[@]}"
      # Through standard input and output, as a client on Windows would use it.
      if ! (cd "$exe_dir" && "$wine" "$exe" apply - - --quiet "${exe_module_args[@]}" "${args[@]}") \
        <"$work/$input.y4m" >"$work/wine.y4m"; then
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
    # The module and the built-in filters agree too: Y4M frames reach both as the same samples.
    "$native" apply "$work/$input.y4m" "$work/a.y4m" --quiet "${args[@]}"
    "$native" apply "$work/$input.y4m" "$work/b.y4m" --quiet --module "$native_module" "${args[@]}"
    cmp -s "$work/a.y4m" "$work/b.y4m" || fail "$input: ${args[*]}: the module and the built-in filters differ"
  done
done
finish
