# Clips that move in brightness over time, and the figures that say how steady a filter's
# output is on them; shared by the smoothing tests and bench/flicker.sh. Needs ffmpeg and awk.

# flicker_clip KIND SIZE FRAMES OUT: a 4:2:0 8-bit Y4M clip; OUT.cuts lists the first frame
# (from 0) of every scene after the first. KIND:
#   still    a still-lit scene with temporal noise
#   flicker  a scene whose exposure jumps up and down between frames
#   ramp     exposure rising slowly over the clip
#   fade     a fade in from black and out to it
#   cuts     hard cuts between three scenes of different exposure and content
flicker_clip() {
  local kind=$1 size=$2 frames=$3 out=$4
  local scene="testsrc2=size=$size:rate=25"
  : >"$out.cuts"
  case "$kind" in
    still) ffmpeg -nostdin -y -v error -f lavfi -i "$scene,eq=contrast=0.5:brightness=-0.15,noise=alls=8:allf=t" \
             -frames:v "$frames" -pix_fmt yuv420p -f yuv4mpegpipe "$out" ;;
    # Exposure is a gain: luma scaled by up to 8 % either way, frame by frame.
    flicker) ffmpeg -nostdin -y -v error -f lavfi \
               -i "$scene,eq=contrast=0.6:brightness=-0.1,noise=alls=4:allf=t,format=yuv420p,geq=lum='lum(X,Y)*(1+0.08*sin(2.3*N))':cb='cb(X,Y)':cr='cr(X,Y)'" \
               -frames:v "$frames" -pix_fmt yuv420p -f yuv4mpegpipe "$out" ;;
    ramp) ffmpeg -nostdin -y -v error -f lavfi \
            -i "$scene,eq=contrast=0.5:brightness='-0.3+0.3*n/$frames':eval=frame,noise=alls=4:allf=t" \
            -frames:v "$frames" -pix_fmt yuv420p -f yuv4mpegpipe "$out" ;;
    fade) local third=$((frames / 3))
          ffmpeg -nostdin -y -v error -f lavfi \
            -i "$scene,eq=contrast=0.7,noise=alls=4:allf=t,fade=t=in:s=0:n=$third,fade=t=out:s=$((frames - third)):n=$third" \
            -frames:v "$frames" -pix_fmt yuv420p -f yuv4mpegpipe "$out" ;;
    cuts) local seg=$((frames / 3))
          ffmpeg -nostdin -y -v error -filter_complex \
            "$scene,eq=contrast=0.5:brightness=-0.2,noise=alls=6:allf=t,trim=end_frame=$seg[a];
             $scene,hflip,eq=contrast=0.7:brightness=0.15,noise=alls=6:allf=t,trim=end_frame=$seg[b];
             mandelbrot=size=$size:rate=25,eq=contrast=0.8,noise=alls=6:allf=t,trim=end_frame=$((frames - 2 * seg))[c];
             [a][b][c]concat=n=3,format=yuv420p" -f yuv4mpegpipe "$out"
          printf '%s\n%s\n' "$seg" "$((2 * seg))" >"$out.cuts" ;;
    *) echo "flicker_clip: unknown kind $kind" >&2; return 2 ;;
  esac
}

# luma_trace CLIP: per frame, "mean 10th-percentile 90th-percentile" of luma, in codes of 255
# (ffmpeg's signalstats on 8-bit 4:2:0).
luma_trace() {
  ffmpeg -nostdin -y -v error -i "$1" -vf "format=yuv420p,signalstats,metadata=print:file=-" -f null - |
    awk -F= '/YAVG=/ { a = $2 } /YLOW=/ { l = $2 } /YHIGH=/ { print a, l, $2 }'
}

# trace_figures TRACE [FROM]: "p95-step max-step mean-span": the 95th percentile and the
# largest of the frame-to-frame change of mean luma from frame FROM on (default 0), and the
# mean 10th-to-90th percentile span.
trace_figures() {
  local steps span
  steps=$(awk -v from="${2:-0}" 'NR > from + 1 { d = $1 - prev; print d < 0 ? -d : d } { prev = $1 }' "$1" |
    sort -g | awk '{ s[NR] = $1 } END { i = int(0.95 * NR + 0.999); if (i < 1) i = 1
                                       printf "%.2f %.2f", NR ? s[i] : 0, NR ? s[NR] : 0 }')
  span=$(awk '{ t += $3 - $2 } END { printf "%.1f", t / NR }' "$1")
  echo "$steps $span"
}

# cut_distance PER_FRAME_TRACE TRACE CUTS RADIUS causal|centred: around each cut (the frames
# within RADIUS of it), the largest distance of a frame's mean luma from the average of the
# per-frame results of its own scene's frames in its window; "-" where the clip has no cut.
cut_distance() {
  awk -v r="$4" -v causal="$([ "$5" = causal ] && echo 1 || echo 0)" '
    FILENAME == ARGV[1] { pf[FNR - 1] = $1; n = FNR; next }
    FILENAME == ARGV[2] { out[FNR - 1] = $1; next }
    { cut[$1] = 1; cuts[++c] = $1 }
    END {
      if (!c) { print "-"; exit }
      for (i = 0; i < n; i++) { if (i in cut) s++; scene[i] = s }
      worst = 0
      for (k = 1; k <= c; k++) {
        for (i = cuts[k] - r; i < cuts[k] + r; i++) {
          if (i < 0 || i >= n) continue
          sum = 0; m = 0
          for (j = i - r; j <= (causal ? i : i + r); j++) {
            if (j >= 0 && j < n && scene[j] == scene[i]) { sum += pf[j]; m++ }
          }
          d = out[i] - sum / m; if (d < 0) d = -d
          if (d > worst) worst = d
        }
      }
      printf "%.2f\n", worst
    }' "$1" "$2" "$3"
}
