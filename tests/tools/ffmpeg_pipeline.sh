#!/usr/bin/env bash
# ffmpeg as a real client: clips piped through `tessaro apply - -` with each filter and
# read back by ffmpeg keep their frame count, size and pixel format, with and without
# padded rows; one filter gives the same frames as the module beside tessaro, driven through
# its export as the editor drives it (a chain differs: its filters hand each other codes).
# usage: ffmpeg_pipeline.sh TESSARO
source "$(dirname "$0")/lib.sh"
tessaro=$1

filters=(
  "--filter|Auto Level"
  "--filter|Auto Level|--check|RGB mode=1"
  "--filter|Quillon Level|--set|Rc-Hi=40|--set|Gc-Low=40|--move|gamR=70"
  "--filter|Auto Level|--check|Cb=1|--check|Cr=1|--filter|Quillon Level|--move|Bo-Low=300"
)
# pipe PAD ARGS...: the clip through tessaro and back through ffmpeg into back.y4m; the
# first run of each format takes the clip straight from ffmpeg, the others from a copy.
pipe() {
  local pad=$1
  shift
  if [ -s "$work/in.y4m" ]; then cat "$work/in.y4m"; else clip "$size" "$pix" "$frames" | tee "$work/in.y4m"; fi |
    "$tessaro" apply - - --quiet --row-pad "$pad" "$@" |
    ffmpeg -v error -y -f yuv4mpegpipe -i - -strict -1 -f yuv4mpegpipe "$work/back.y4m"
}
for format in "95x63 yuv420p 6" "96x64 yuv444p16le 4" "96x64 yuv422p10le 3" "96x64 gray 3"; do
  read -r size pix frames <<<"$format"
  rm -f "$work/in.y4m"
  want="${size/x/,},$pix,$frames"
  for setup in "${filters[@]}"; do
    IFS='|' read -r -a args <<<"$setup"
    label="$size $pix ${args[*]}"
    before=$failures
    pipe 0 "${args[@]}" || fail "$label: the pipeline failed"
    got=$(probe "$work/back.y4m")
    [ "$got" = "$want" ] || fail "$label: ffmpeg reads $got, want $want"
    # The filters change these clips: a host that skipped them would pass the rest.
    [ "$pix" != gray ] && cmp -s "$work/in.y4m" "$work/back.y4m" && fail "$label: output equals input"
    mv "$work/back.y4m" "$work/unpadded.y4m"
    pipe 13 "${args[@]}" || fail "$label, padded rows: the pipeline failed"
    cmp -s "$work/unpadded.y4m" "$work/back.y4m" || fail "$label: padded rows change the result"
    if [ "$(grep -o -- '--filter' <<<"${args[*]}" | wc -l)" -eq 1 ]; then
      pipe 0 --module "$(dirname "$tessaro")/Tessaro.so" "${args[@]}" || fail "$label, module: failed"
      cmp -s "$work/unpadded.y4m" "$work/back.y4m" || fail "$label: the module gives other frames"
    fi
    [ "$failures" = "$before" ] && echo "ok: $label -> $got"
  done
done
finish
