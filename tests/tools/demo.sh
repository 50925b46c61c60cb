#!/usr/bin/env bash
# The demo writes its four pictures with the histograms beneath, and "Auto Level" stretches
# the dim scene's luma over at least 95 % of full scale.
# usage: demo.sh TESSARO
source "$(dirname "$0")/lib.sh"
tessaro=$1
"$tessaro" demo --out "$work/demo" >"$work/stats"
cat "$work/stats"
for picture in original auto_level auto_level_rgb quillon_level; do
  got=$(probe "$work/demo/$picture.png")
  [ "$got" = "1280,920,rgb24,1" ] || fail "$picture.png: $got, want 1280x920 RGB"
done
# Luma span as ffmpeg measures it on the picture part of the PNG, in 8-bit grey.
span_of() {
  ffmpeg -v error -i "$1" -vf "crop=1280:720:0:0,format=gray,signalstats,metadata=print:file=-" \
    -f null - | awk -F= '/YMIN/ {lo=$2} /YMAX/ {hi=$2} END {printf "%.1f", 100 * (hi - lo) / 255}'
}
for picture in original auto_level; do
  span=$(span_of "$work/demo/$picture.png")
  echo "$picture.png: luma spans $span % of full scale"
  eval "span_$picture=$span"
done
awk -v s="$span_auto_level" 'BEGIN {exit !(s >= 95)}' || fail "Auto Level luma spans only $span_auto_level %"
awk -v s="$span_original" 'BEGIN {exit !(s < 60)}' || fail "the scene is not dim: $span_original %"
# The demo's own figure, in the module's samples.
printed=$(awk '/^auto_level.png/ {found=1} found && /luma spans/ {print $3; exit}' "$work/stats")
awk -v s="$printed" 'BEGIN {exit !(s >= 95)}' || fail "demo prints a luma span of '$printed' for Auto Level"
finish
