#!/usr/bin/env bash
# The frei0r effects inside a real host (ffmpeg, GStreamer or MLT's melt): every frame of a
# clip with changing alpha equals, bit for bit, what `tessaro apply` makes of the same frame
# as a PNG picture with the same settings, alpha included.
# usage: frei0r_hosts.sh ffmpeg|gstreamer|melt TESSARO SAMPLE_DIFF EFFECT_DIR
source "$(dirname "$0")/lib.sh"
host=$1 tessaro=$2 sample_diff=$3
export FREI0R_PATH=$4 GST_REGISTRY="$work/registry.bin"
# ffmpeg hands frei0r rows at its own alignment (up to 64 bytes) while frei0r frames have no
# row pitch, so its clip is 16 pixels wide per 64 bytes; the others take an odd size.
size=95x63 frames=4
[ "$host" = ffmpeg ] && size=64x48

# Settings in the module's units. Each differs from the default; with "Sync RGB" on only
# blue sliders are set: blue comes last in the frei0r order, so a host that sets every
# parameter (GStreamer) leaves the same values as one that sets only those given.
cases=(
  "Auto Level"
  "Auto Level;Cb=1;Cr=1;midRng=30"
  "Auto Level;RGB mode=1;Skip=100"
  "Quillon Level"
  "Quillon Level;Bc-Hi=20;Bc-Low=30"
  "Quillon Level;gamB=70"
  "Quillon Level;Sync RGB=0;Rc-Hi=40;Gc-Low=60;Gi-Low=300;Bo-Hi=3500;gamR=55"
)

# params FILTER: "check|name|default|0|1" or "slider|name|default|min|max" for each frei0r
# parameter, check boxes (not buttons) first, read from `tessaro list`.
params() {
  "$tessaro" list | awk -v filter="$1" '
    /^[^ ]/ { on = index($0, filter "  (") == 1; next }
    !on || !/^    / || /\[button\]/ { next }
    {
      line = substr($0, 5); at = index(line, " default ")
      name = substr(line, 1, at - 1); sub(/ +$/, "", name)
      rest = substr(line, at + 9); sub(/^ +/, "", rest); split(rest, f, / +|\.\./)
      if (f[2] == "range") sliders = sliders "slider|" name "|" f[1] "|" f[3] "|" f[4] "\n"
      else checks = checks "check|" name "|" f[1] "|0|1\n"
    }
    END { printf "%s%s", checks, sliders }'
}

# The frei0r value of VALUE: 0..1 over the slider's range, booleans as each host writes them.
position() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { printf "%.9f", (v - lo) / (hi - lo) }'; }
boolean() { case "$host,$1" in ffmpeg,1) echo y ;; ffmpeg,0) echo n ;; gstreamer,1) echo true ;; gstreamer,0) echo false ;; *) echo "$1" ;; esac; }

ffmpeg -v error -f lavfi -i "testsrc2=size=$size:rate=25,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='mod(7*X+3*Y+40*N,256)'" \
  -frames:v "$frames" "$work/in_%02d.png"
# melt 7.12 crashes on a profile without a description.
printf 'description=clip\nframe_rate_num=25\nframe_rate_den=1\nwidth=%s\nheight=%s\nprogressive=1\nsample_aspect_num=1\nsample_aspect_den=1\ndisplay_aspect_num=%s\ndisplay_aspect_den=%s\ncolorspace=601\n' \
  "${size%x*}" "${size#*x}" "${size%x*}" "${size#*x}" >"$work/profile"

# melt 7.12's main loop ends as soon as its consumer reads as stopped, which on a busy machine
# it can do before the consumer has started: melt then exits with success and no frame
# written, or waits for ever. Such a run says nothing about the effect and is run again;
# a run that wrote some frames and not others is a failure like any other.
run_melt() {
  local effect=$1 attempt
  shift
  for attempt in 1 2 3 4 5; do
    rm -f "$work"/out_*.png
    timeout 60 melt -silent -profile "$work/profile" "avformat:$work/in_%02d.png" \
      -filter "frei0r.$effect" "$@" \
      -consumer "avformat:$work/out_%02d.png" vcodec=png pix_fmt=rgba real_time=0 >"$work/host.log" 2>&1
    local status=$?
    if [ "$status" -ne 124 ] && [ -n "$(find "$work" -name 'out_*.png' -print -quit)" ]; then
      return "$status"
    fi
    [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || return "$status"
    echo "note: melt stopped before its first frame (attempt $attempt, status $status); running it again"
  done
  return 1
}

for setup in "${cases[@]}"; do
  IFS=';' read -r -a parts <<<"$setup"
  filter=${parts[0]}
  effect=$(echo "tessaro_$filter" | tr 'A-Z ' 'a-z_')
  declare -A given=()
  for s in "${parts[@]:1}"; do given[${s%%=*}]=${s#*=}; done
  tessaro_args=(--filter "$filter") tokens=() last=0 props=() melt_args=() i=0 params=""
  while IFS='|' read -r kind name default lo hi; do
    i=$((i + 1))
    value=${given[$name]:-$default}
    if [ "$kind" = check ]; then f0r=$(boolean "$value"); else f0r=$(position "$value" "$lo" "$hi"); fi
    tokens+=("$f0r")
    [ -n "${given[$name]:-}" ] || continue
    last=$i
    if [ "$kind" = check ]; then tessaro_args+=(--check "$name=$value"); else tessaro_args+=(--move "$name=$value"); fi
    props+=("$(echo "$name" | tr 'A-Z' 'a-z' | tr -c 'a-z0-9\n' '-')=$f0r")
    melt_args+=("$name=$f0r")
  done < <(params "$filter")
  unset given
  rm -f "$work"/out_*.png
  case "$host" in
    ffmpeg)
      # filter_params sets parameters by position, up to the last one given.
      [ "$last" -eq 0 ] || params=":filter_params=$(IFS='|'; echo "${tokens[*]:0:$last}")"
      ffmpeg -v error -i "$work/in_%02d.png" -vf "frei0r=filter_name=$effect$params" \
        -pix_fmt rgba "$work/out_%02d.png" 2>"$work/host.log" ;;
    gstreamer)
      gst-launch-1.0 -q multifilesrc location="$work/in_%02d.png" index=1 stop-index="$frames" caps=image/png,framerate=25/1 \
        ! pngdec ! videoconvert ! video/x-raw,format=RGBA ! "frei0r-filter-${effect//_/-}" "${props[@]}" \
        ! videoconvert ! video/x-raw,format=RGBA ! pngenc ! multifilesink location="$work/out_%02d.png" index=1 \
        >"$work/host.log" 2>&1 ;;
    melt) run_melt "$effect" "${melt_args[@]}" ;;
  esac || fail "$setup: $host failed: $(tail -c 400 "$work/host.log")"
  got=$(find "$work" -name 'out_*.png' | wc -l)
  [ "$got" -eq "$frames" ] || { fail "$setup: $host wrote $got frames, want $frames: $(tail -c 400 "$work/host.log")"; continue; }
  before=$failures changed=0
  for n in $(seq -f %02g 1 "$frames"); do
    "$tessaro" apply "$work/in_$n.png" "$work/want_$n.png" --quiet "${tessaro_args[@]}" || fail "$setup: tessaro apply failed"
    "$sample_diff" "$work/in_$n.png" "$work/want_$n.png" --max 0 >/dev/null || changed=1
    "$sample_diff" "$work/want_$n.png" "$work/out_$n.png" --max 0 --alpha-exact >"$work/diff" ||
      fail "$setup: frame $n differs from tessaro apply: $(tr '\n' ' ' <"$work/diff")"
  done
  # A host that passed frames through would match settings that change nothing; "Quillon
  # Level" at its defaults is the one that must change nothing (8-bit codes are its scale).
  if [ "$setup" = "Quillon Level" ]; then
    [ "$changed" = 0 ] || fail "$setup: the defaults change the clip"
  else
    [ "$changed" = 1 ] || fail "$setup: the settings leave this clip unchanged"
  fi
  [ "$failures" = "$before" ] && echo "ok: $host, $setup: $frames frames of $size equal to tessaro apply (${tessaro_args[*]})"
done
finish
