#!/usr/bin/env bash
# What each filter setting costs where users run it, against the filters' own time: per 1080p
# frame, net of what the host does without the filter, in one run.
#   module     tessaro bench: the filters on the editor's frames (the frame restored apart)
#   frei0r     the frei0r effect inside ffmpeg on RGBA frames, net of the same run with no filter
#   aux2       Tessaro.aux2 through our AviUtl ExEdit2 test host under 64-bit Wine, net of the
#              picture's copies in and out (needs the windows-x64-release build)
#   y4m420     tessaro apply on a 4:2:0 8-bit Y4M file, net of cat
#   y4m444p16  tessaro apply on a 4:4:4 16-bit Y4M file, net of cat
#   png        tessaro apply on an 8-bit RGBA PNG: its --timing (the picture taken into the
#              filters' form, filtered, and back), net of the same with no filter, median of 5
# and the peers on the same frames: ffmpeg's normalize on the RGBA frames, and its YUV -> RGB ->
# colorlevels -> YUV chain on the 4:2:0 file. Each host's ratio to the module follows.
# Two workers throughout. The machine is shared: run it a few times and read ranges.
# usage: bench/compare_hosts.sh [FRAMES]   (default 30; BUILD, WINDOWS64_BUILD name the builds)
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-30}
build=${BUILD:-build/native-release}
win64=${WINDOWS64_BUILD:-build/windows-x64-release}
tessaro=$build/tools/tessaro
export OMP_NUM_THREADS=2 FREI0R_PATH=$build/tools/frei0r WINEDEBUG=-all
[ -x "$tessaro" ] || { echo "build the native-release preset first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 1080p clip with a little noise in every frame and a cast, the same in every form.
ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=25,eq=contrast=0.6:brightness=-0.1,noise=alls=6:allf=t" \
  -frames:v "$frames" -pix_fmt yuv420p -f yuv4mpegpipe "$work/c420.y4m"
ffmpeg -v error -i "$work/c420.y4m" -pix_fmt rgba -f rawvideo "$work/c.rgba"
ffmpeg -v error -i "$work/c420.y4m" -pix_fmt yuv444p16le -strict -1 -f yuv4mpegpipe "$work/c444p16.y4m"
ffmpeg -v error -i "$work/c420.y4m" -frames:v 1 -pix_fmt rgba "$work/c.png"
cat "$work"/* >/dev/null  # into the page cache

labels=("Auto Level default" "Auto Level Cb + Cr" "Auto Level RGB mode" "Quillon Level default"
        "Quillon Level heavy")
heavy_args=()
heavy_f0r="n"
for c in R G B; do
  heavy_args+=(--set "${c}c-Hi=41" --set "${c}c-Low=41" --set "${c}o-Hi=3900" --set "${c}o-Low=200")
  heavy_f0r+="|0.010049|0.010049|1|0|0.955882|0.049020"
done
heavy_args+=(--set gamR=73 --set gamG=73 --set gamB=73)
heavy_f0r+="|0.727273|0.727273|0.727273"
# tessaro apply's arguments and the frei0r effect's, setting by setting.
apply_args() {
  case "$1" in
    0) echo "--filter|Auto Level" ;;
    1) echo "--filter|Auto Level|--check|Cb=1|--check|Cr=1" ;;
    2) echo "--filter|Auto Level|--check|RGB mode=1|--set|Skip=0" ;;
    3) echo "--filter|Quillon Level" ;;
    4) (IFS='|'; echo "--filter|Quillon Level|${heavy_args[*]}") ;;
  esac
}
frei0r_filter() {
  case "$1" in
    0) echo "frei0r=filter_name=tessaro_auto_level" ;;
    1) echo "frei0r=filter_name=tessaro_auto_level:filter_params=y|y" ;;
    2) echo "frei0r=filter_name=tessaro_auto_level:filter_params=n|n|y|0.5|0" ;;
    3) echo "frei0r=filter_name=tessaro_quillon_level" ;;
    4) echo "frei0r=filter_name=tessaro_quillon_level:filter_params=$heavy_f0r" ;;
  esac
}

# ms COMMAND...: the milliseconds a command takes.
ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}
per_frame() { awk -v us="$1" -v base="$2" -v n="$3" 'BEGIN { printf "%.2f", (us - base) / 1000 / n }'; }
rgba_in=(-f rawvideo -pix_fmt rgba -s 1920x1080 -i "$work/c.rgba")

declare -A module
while read -r line; do
  for i in "${!labels[@]}"; do
    [[ "$line" == "${labels[$i]} "* ]] && module[$i]=$(awk '{ print $(NF - 2) }' <<<"$line")
  done
done < <("$tessaro" bench --frames "$frames" --workers 2 | sed -n '/^setting/,/^$/{p;/^$/q}')

null_ffmpeg=$(ms ffmpeg -v error "${rgba_in[@]}" -f null -)
normalize=$(per_frame "$(ms ffmpeg -v error "${rgba_in[@]}" -vf normalize -f null -)" "$null_ffmpeg" "$frames")
null_yuv=$(ms ffmpeg -v error -i "$work/c420.y4m" -f null -)
colorlevels=$(per_frame "$(ms ffmpeg -v error -i "$work/c420.y4m" \
  -vf "format=rgb24,colorlevels=rimin=0.05:gimin=0.05:bimin=0.05:rimax=0.95:gimax=0.95:bimax=0.95,format=yuv420p" \
  -f null -)" "$null_yuv" "$frames")
cat420=$(ms sh -c "cat '$work/c420.y4m'")
cat444=$(ms sh -c "cat '$work/c444p16.y4m'")
# png_ms ARGS...: the median of 5 runs' --timing.
png_ms() {
  for k in 1 2 3 4 5; do
    "$tessaro" apply "$work/c.png" "$work/out.png" --quiet --timing "$@" 2>&1 >/dev/null |
      awk '/in the filters/ { for (i = 1; i <= NF; ++i) if ($i == "ms") print $(i - 1) }'
  done | sort -n | sed -n 3p
}
png_none=$(png_ms)

declare -A aux2
if [ -f "$win64/tests/aux2_host_test.exe" ] && bash tests/support/wine64.sh --version >/dev/null 2>&1; then
  while read -r line; do
    for i in "${!labels[@]}"; do
      [[ "$line" == "${labels[$i]} "* ]] && aux2[$i]=$(awk '{ print $NF }' <<<"$line")
    done
  done < <(bash tests/support/wine64.sh "$win64/tests/aux2_host_test.exe" \
             "$win64/tools/aviutl2/Tessaro.aux2" --time 1920 1080 "$frames" 2>/dev/null)
fi

printf '1920x1080, %d frames, 2 workers; ms per frame, net\n\n' "$frames"
printf '%-22s %7s %7s %7s %7s %9s %7s   %s\n' setting module frei0r aux2 y4m420 y4m444p16 png \
  "ratio to module: frei0r aux2 y4m420 y4m444p16 png"
for i in "${!labels[@]}"; do
  IFS='|' read -r -a args <<<"$(apply_args "$i")"
  f0r=$(per_frame "$(ms ffmpeg -v error "${rgba_in[@]}" -vf "$(frei0r_filter "$i")" -f null -)" "$null_ffmpeg" "$frames")
  y420=$(per_frame "$(ms sh -c "\"$tessaro\" apply '$work/c420.y4m' - --quiet \"\$@\" >/dev/null" sh "${args[@]}")" "$cat420" "$frames")
  y444=$(per_frame "$(ms sh -c "\"$tessaro\" apply '$work/c444p16.y4m' - --quiet \"\$@\" >/dev/null" sh "${args[@]}")" "$cat444" "$frames")
  png=$(awk -v a="$(png_ms "${args[@]}")" -v b="$png_none" 'BEGIN { printf "%.2f", a - b }')
  a2=${aux2[$i]:--}
  m=${module[$i]}
  ratios=$(awk -v m="$m" 'BEGIN { for (i = 2; i < ARGC; ++i) printf " %6s", ARGV[i] == "-" ? "-" : sprintf("%.1f", ARGV[i] / m) }' \
    "$m" "$f0r" "$a2" "$y420" "$y444" "$png")
  printf '%-22s %7s %7s %7s %7s %9s %7s  %s\n' "${labels[$i]}" "$m" "$f0r" "$a2" "$y420" "$y444" "$png" "$ratios"
done
printf '\npeers: ffmpeg normalize on the RGBA frames %s ms; YUV -> RGB -> colorlevels -> YUV on the 4:2:0 file %s ms\n' \
  "$normalize" "$colorlevels"
