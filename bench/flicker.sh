#!/usr/bin/env bash
# How steady each way of levelling is over time, on clips made with ffmpeg: a still noisy
# scene, exposure flicker, a slow ramp, a fade, and hard cuts between scenes of different
# exposure. Per clip, for the source, "Auto Level" per frame (tessaro apply), smoothed over
# R frames either side (tessaro apply --smooth R), smoothed over the R frames before (the
# frei0r effect in ffmpeg, "smoothing" R/100) and ffmpeg's normalize (smoothing 2 R + 1, a
# window of the same length); and the source through ffmpeg's RGBA round trip alone, which
# every frei0r row takes too, so that their steadiness can be read against it:
#   p95   the 95th percentile of the frame-to-frame change of mean luma (codes of 255)
#   max   the largest such change
#   span  the mean 10th-to-90th percentile luma span: how levelled the picture is
#   cut   around each hard cut, the worst distance of a frame's mean luma from the average of
#         the per-frame results of its own scene's frames in its window (centred for
#         tessaro and the past for the others)
# PLOT=FILE.svg also draws the mean luma of every frame of one clip (PLOT_CLIP, default cuts):
# source, per frame, smoothed. The past-only figures skip the first R frames, which have fewer before them.
# usage: bench/flicker.sh [SIZE] [FRAMES] [R]   (default 640x360 120 7; BUILD names the build)
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-640x360} frames=${2:-120} r=${3:-7}
build=${BUILD:-build/native-release}
tessaro=$build/tools/tessaro
export FREI0R_PATH=$build/tools/frei0r
[ -x "$tessaro" ] || { echo "build the native-release preset first" >&2; exit 1; }
source tests/tools/flicker_lib.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
smoothing=$(awk -v r="$r" 'BEGIN { printf "%.2f", r / 100 }')

printf '%-8s %-22s %6s %6s %6s %6s\n' clip way p95 max span cut
for kind in still flicker ramp fade cuts; do
  clip=$work/$kind.y4m
  flicker_clip "$kind" "$size" "$frames" "$clip"
  "$tessaro" apply "$clip" "$work/pf.y4m" --quiet --filter "Auto Level"
  "$tessaro" apply "$clip" "$work/sm.y4m" --quiet --filter "Auto Level" --smooth "$r"
  for s in 0 "$smoothing"; do
    ffmpeg -nostdin -y -v error -i "$clip" \
      -vf "format=rgba,frei0r=filter_name=tessaro_auto_level:filter_params=n|n|n|0.5|0.10294118|$s,format=yuv420p" \
      -f yuv4mpegpipe "$work/f$s.y4m"
  done
  ffmpeg -nostdin -y -v error -i "$clip" -vf "format=rgba,format=yuv420p" -f yuv4mpegpipe \
    "$work/rgba.y4m"
  ffmpeg -nostdin -y -v error -i "$clip" -vf "normalize=smoothing=$((2 * r + 1)),format=yuv420p" \
    -f yuv4mpegpipe "$work/nz.y4m"
  luma_trace "$clip" >"$work/src.tr"
  luma_trace "$work/rgba.y4m" >"$work/rgba.tr"
  luma_trace "$work/pf.y4m" >"$work/pf.tr"
  luma_trace "$work/sm.y4m" >"$work/sm.tr"
  luma_trace "$work/f0.y4m" >"$work/fpf.tr"
  luma_trace "$work/f$smoothing.y4m" >"$work/fsm.tr"
  luma_trace "$work/nz.y4m" >"$work/nz.tr"
  row() {  # LABEL TRACE FROM PER_FRAME WINDOW
    read -r p95 max span < <(trace_figures "$2" "$3")
    local cut=-
    [ -z "$4" ] || cut=$(cut_distance "$4" "$2" "$clip.cuts" "$r" "$5")
    printf '%-8s %-22s %6s %6s %6s %6s\n' "$kind" "$1" "$p95" "$max" "$span" "$cut"
  }
  row source "$work/src.tr" 0 "" ""
  row "tessaro per frame" "$work/pf.tr" 0 "" ""
  row "tessaro --smooth $r" "$work/sm.tr" 0 "$work/pf.tr" centred
  row "source through RGBA" "$work/rgba.tr" 0 "" ""
  row "frei0r per frame" "$work/fpf.tr" 0 "" ""
  row "frei0r smoothing $smoothing" "$work/fsm.tr" "$r" "$work/fpf.tr" causal
  row "normalize smoothing $((2 * r + 1))" "$work/nz.tr" "$r" "$work/pf.tr" causal
  if [ "$kind" = "${PLOT_CLIP:-cuts}" ] && [ -n "${PLOT:-}" ]; then
    paste -d' ' "$work/src.tr" "$work/pf.tr" "$work/sm.tr" |
      awk -v r="$r" -v cuts="$(tr '\n' ' ' <"$clip.cuts")" '
        BEGIN { w = 720; h = 300; left = 40; bottom = 270; top = 20 }
        { src[NR] = $1; pf[NR] = $4; sm[NR] = $7; n = NR
          for (k = 1; k <= 7; k += 3) { if (NR == 1 || $k < lo) lo = $k; if (NR == 1 || $k > hi) hi = $k } }
        function x(i) { return left + (i - 1) * (w - left - 10) / (n - 1) }
        function y(v) { return bottom - (v - lo) * (bottom - top) / (hi - lo) }
        function line(a, colour, label, k,   i, d) {
          d = ""
          for (i = 1; i <= n; i++) d = d sprintf("%s%.1f,%.1f ", i == 1 ? "M" : "L", x(i), y(a[i]))
          printf "<path d=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\"/>\n", d, colour
          printf "<text x=\"%d\" y=\"%d\" fill=\"%s\">%s</text>\n", left + 10 + 170 * k, 14, colour, label
        }
        END {
          printf "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" font-family=\"sans-serif\" font-size=\"12\">\n", w, h
          printf "<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n", w, h
          lo -= 2; hi += 2
          for (t = 0; t <= 4; t++) { v = lo + t * (hi - lo) / 4; printf "<text x=\"4\" y=\"%.1f\">%.0f</text><line x1=\"%d\" x2=\"%d\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n", y(v) + 4, v, left, w - 10, y(v), y(v) }
          split(cuts, c, " ")
          for (k in c) if (c[k] != "") printf "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%d\" y2=\"%d\" stroke=\"#999\" stroke-dasharray=\"4\"/>\n", x(c[k] + 1), x(c[k] + 1), top, bottom
          line(src, "#888", "source", 0)
          line(pf, "#d33", "Auto Level per frame", 1)
          line(sm, "#26c", "Auto Level --smooth " r, 2)
          printf "<text x=\"%d\" y=\"%d\">mean luma per frame (codes of 255); dashed: cuts</text>\n</svg>\n", left, h - 8
        }' >"$PLOT"
  fi
done
