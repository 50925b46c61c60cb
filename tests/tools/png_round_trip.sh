#!/usr/bin/env bash
# PNG pictures that ffmpeg writes come back from tessaro within the documented rounding:
# exact at 8 bits, within 8 codes (grey) or 23 codes (RGB) at 16 bits; alpha untouched,
# also through a filter. 8-bit RGB comes back exact through "Quillon Level" at its defaults:
# code c is the filters' sample 16 c.
# usage: png_round_trip.sh TESSARO SAMPLE_DIFF
source "$(dirname "$0")/lib.sh"
tessaro=$1 sample_diff=$2

# format, geq alpha expression (empty: none), largest difference allowed
cases=(
  "gray||0" "rgb24||0" "ya8|mod(X*5+Y*3,256)|0" "rgba|mod(X*5+Y*3,256)|0"
  "gray16be||8" "rgb48be||23" "ya16be|mod(X*1500+Y*300,65536)|8" "rgba64be|mod(X*1500+Y*300,65536)|23"
)
for c in "${cases[@]}"; do
  IFS='|' read -r pix alpha max <<<"$c"
  if [ -n "$alpha" ]; then
    wide=$([[ $pix == *16be || $pix == *64be ]] && echo rgba64le || echo rgba)
    graph="testsrc2=size=67x45,scale=67:45,format=$wide,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='$alpha'"
  else
    graph="testsrc2=size=67x45,scale=67:45"
  fi
  ffmpeg -v error -y -f lavfi -i "$graph" -frames:v 1 -pix_fmt "$pix" "$work/in.png"
  [ "$(probe "$work/in.png" | cut -d, -f3)" = "$pix" ] || fail "$pix: ffmpeg wrote $(probe "$work/in.png")"
  "$tessaro" apply "$work/in.png" "$work/out.png" --quiet
  [ "$(probe "$work/out.png")" = "$(probe "$work/in.png")" ] || fail "$pix: kind or size changed"
  alpha_check=()
  [ -n "$alpha" ] && alpha_check=(--alpha-exact)
  "$sample_diff" "$work/in.png" "$work/out.png" --max "$max" "${alpha_check[@]}" >"$work/diff" ||
    fail "$pix: $(tr '\n' ' ' <"$work/diff")"
  echo "ok: $pix: $(head -n 1 "$work/diff")"
  if [ "$pix" = rgb24 ] || [ "$pix" = rgba ]; then
    "$tessaro" apply "$work/in.png" "$work/neutral.png" --quiet --filter "Quillon Level"
    "$sample_diff" "$work/in.png" "$work/neutral.png" --max 0 "${alpha_check[@]}" >"$work/diff" ||
      fail "$pix through Quillon Level at its defaults: $(tr '\n' ' ' <"$work/diff")"
  fi
  if [ -n "$alpha" ]; then
    "$tessaro" apply "$work/in.png" "$work/filtered.png" --quiet --filter "Auto Level" --check "RGB mode=1"
    "$sample_diff" "$work/in.png" "$work/filtered.png" --alpha-exact >"$work/diff" ||
      fail "$pix through Auto Level: alpha changed: $(tr '\n' ' ' <"$work/diff")"
  fi
done
finish
