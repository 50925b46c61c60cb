#!/usr/bin/env bash
# Smoothing over time, end to end: `tessaro apply --smooth` (centred windows) and the frei0r
# effects' "smoothing" inside ffmpeg (the past only). Off is today's output; frames alike give
# each frame's own; no window reaches across a cut, which a stream joined from two scenes
# shows bit for bit; and on two short clips the output is steadier than per frame while still
# levelled, within margins (bench/flicker.sh prints the figures).
# usage: smoothing.sh TESSARO SAMPLE_DIFF EFFECT_DIR
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/flicker_lib.sh"
tessaro=$1
export FREI0R_PATH=$3
w=320 h=180 size=320x180
frame_bytes=$((w * h * 4))

apply() { "$tessaro" apply "$@" --quiet; }
# frei0r CLIP OUT EFFECT PARAMS: the effect on the clip's RGBA frames, raw.
frei0r() {
  ffmpeg -nostdin -y -v error -i "$1" -vf "format=rgba,frei0r=filter_name=$3:filter_params=$4" \
    -f rawvideo -pix_fmt rgba "$2"
}
raw_to_y4m() {
  ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt rgba -s "$size" -r 25 -i "$1" -pix_fmt yuv420p \
    -f yuv4mpegpipe "$2"
}
auto_f0r() { echo "n|n|n|0.5|0.10294118|$1"; }
quillon_args=(--filter "Quillon Level" --set Rc-Hi=60 --set Rc-Low=60 --set Gc-Hi=60 --set Gc-Low=60
              --set Bc-Hi=60 --set Bc-Low=60)

flicker_clip still "$size" 40 "$work/still.y4m"

# Off is today's, with the option given or not; frames alike give each frame's own.
apply "$work/still.y4m" "$work/pf.y4m" --filter "Auto Level"
apply "$work/still.y4m" "$work/s0.y4m" --filter "Auto Level" --smooth 0
cmp -s "$work/pf.y4m" "$work/s0.y4m" || fail "--smooth 0 differs from no smoothing"
ffmpeg -nostdin -y -v error -i "$work/still.y4m" -vf "trim=end_frame=1,loop=loop=11:size=1:start=0" \
  -f yuv4mpegpipe "$work/alike.y4m"
for filter in "Auto Level" "Quillon Level"; do
  args=(--filter "$filter")
  [ "$filter" = "Quillon Level" ] && args=("${quillon_args[@]}")
  apply "$work/alike.y4m" "$work/a0.y4m" "${args[@]}"
  apply "$work/alike.y4m" "$work/a5.y4m" "${args[@]}" --smooth 5
  cmp -s "$work/a0.y4m" "$work/a5.y4m" || fail "$filter: --smooth 5 changes frames alike"
  cmp -s "$work/alike.y4m" "$work/a0.y4m" && fail "$filter: changes nothing on the clip"
done

# Two scenes, 60 codes apart, joined: each scene's frames come out as they do from the scene
# alone, on both sides of the cut, with every filter, row padding, and in frei0r.
ffmpeg -nostdin -y -v error -i "$work/still.y4m" -vf "eq=brightness=0.25" -f yuv4mpegpipe "$work/bright.y4m"
{ cat "$work/still.y4m"; tail -n +2 "$work/bright.y4m"; } >"$work/joined.y4m"
joined_frames() {  # the outputs of the two scenes alone, joined as the input was
  { cat "$1"; tail -n +2 "$2"; } >"$3"
}
for setup in "Auto Level" "Quillon Level" "Auto Level;--row-pad;5" "Auto Level;--check;RGB mode=1"; do
  IFS=';' read -r -a parts <<<"$setup"
  args=(--filter "${parts[0]}" "${parts[@]:1}")
  [ "${parts[0]}" = "Quillon Level" ] && args=("${quillon_args[@]}")
  for part in still bright joined; do apply "$work/$part.y4m" "$work/o_$part.y4m" "${args[@]}" --smooth 7; done
  joined_frames "$work/o_still.y4m" "$work/o_bright.y4m" "$work/o_want.y4m"
  cmp -s "$work/o_joined.y4m" "$work/o_want.y4m" || fail "$setup: a window reaches across the cut"
  apply "$work/still.y4m" "$work/o_pf.y4m" "${args[@]}"
  cmp -s "$work/o_still.y4m" "$work/o_pf.y4m" && fail "$setup: --smooth 7 changes nothing within a scene"
done
# With no threshold a cut can reach, windows do cross it.
apply "$work/joined.y4m" "$work/o_all.y4m" --filter "Auto Level" --smooth 7 --scene-cut 255
apply "$work/joined.y4m" "$work/o_cut.y4m" --filter "Auto Level" --smooth 7
cmp -s "$work/o_all.y4m" "$work/o_cut.y4m" && fail "--scene-cut 255 changes nothing across the cut"

for part in still joined; do frei0r "$work/$part.y4m" "$work/f_$part.rgba" tessaro_auto_level "$(auto_f0r 0.07)"; done
frei0r "$work/bright.y4m" "$work/f_bright.rgba" tessaro_auto_level "$(auto_f0r 0.07)"
cat "$work/f_still.rgba" "$work/f_bright.rgba" | cmp -s - "$work/f_joined.rgba" ||
  fail "frei0r: smoothing blends the scene before the cut"
frei0r "$work/still.y4m" "$work/f_pf.rgba" tessaro_auto_level "$(auto_f0r 0)"
cmp -s "$work/f_still.rgba" "$work/f_pf.rgba" && fail "frei0r: smoothing 0.07 changes nothing"
[ "$(stat -c %s "$work/f_joined.rgba")" -eq $((80 * frame_bytes)) ] || fail "frei0r: frames lost"

# The figures, on a still noisy scene and on hard cuts: per frame must flicker for the test to
# say anything; smoothed holds steady, stays levelled, and keeps each scene to itself.
flicker_clip still "$size" 48 "$work/m_still.y4m"
flicker_clip cuts "$size" 60 "$work/m_cuts.y4m"
for clip in m_still m_cuts; do
  apply "$work/$clip.y4m" "$work/$clip.pf.y4m" --filter "Auto Level"
  apply "$work/$clip.y4m" "$work/$clip.sm.y4m" --filter "Auto Level" --smooth 7
  frei0r "$work/$clip.y4m" "$work/$clip.fpf.rgba" tessaro_auto_level "$(auto_f0r 0)"
  frei0r "$work/$clip.y4m" "$work/$clip.fsm.rgba" tessaro_auto_level "$(auto_f0r 0.07)"
  raw_to_y4m "$work/$clip.fpf.rgba" "$work/$clip.fpf.y4m"
  raw_to_y4m "$work/$clip.fsm.rgba" "$work/$clip.fsm.y4m"
  for v in "" .pf .sm .fpf .fsm; do luma_trace "$work/$clip$v.y4m" >"$work/$clip$v.tr"; done
  read -r src_p95 src_max src_span < <(trace_figures "$work/$clip.tr")
  for pair in "pf sm centred tessaro" "fpf fsm causal frei0r"; do
    read -r pf sm window host <<<"$pair"
    read -r pf_p95 pf_max pf_span < <(trace_figures "$work/$clip.$pf.tr")
    # The past only: the first frames have fewer before them.
    from=0
    [ "$window" = causal ] && from=7
    read -r sm_p95 sm_max sm_span < <(trace_figures "$work/$clip.$sm.tr" "$from")
    cut=$(cut_distance "$work/$clip.$pf.tr" "$work/$clip.$sm.tr" "$work/$clip.y4m.cuts" 7 "$window")
    echo "$clip $host: source p95 $src_p95; per frame p95 $pf_p95 max $pf_max span $pf_span;" \
         "smoothed p95 $sm_p95 max $sm_max span $sm_span; around cuts $cut"
    check() { awk "BEGIN { exit !($1) }" || fail "$clip $host: $2"; }
    check "$sm_span >= 0.9 * $pf_span" "smoothed span $sm_span below 0.9 x per frame's $pf_span"
    if [ "$clip" = m_still ]; then
      check "$pf_max > 1" "per frame steps at most $pf_max: the clip does not flicker"
      check "$sm_max <= 1" "a step of $sm_max in a still scene"
      # The source's own steps are a tenth of a code here: a quarter of a code more is margin
      # no viewer sees.
      check "$sm_p95 <= 1.25 * $src_p95 + 0.25" "p95 $sm_p95 against the source's $src_p95"
    else
      check "$cut <= 3" "around a cut $cut from its own scene's frames"
    fi
  done
done
finish
