#!/usr/bin/env bash
# Our filters beside ffmpeg's level filters on one 1920x1080 16-bit clip, 2 threads, in one
# session. Run by hand; prints one table and keeps nothing.
#   bench/compare_peers.sh [build-dir]        (default build/native-release)
#   FRAMES=60 REPEATS=3 bench/compare_peers.sh
# ffmpeg times are wall time net of a "-vf null" run over the same input, per frame; the best of
# REPEATS runs counts. Ours come from tessaro_bench (each frame includes restoring the input,
# one copy of the frame, which MemcpyFrame measures alone).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/native-release}"
bench="${build}/bench/tessaro_bench"
frames="${FRAMES:-60}"
repeats="${REPEATS:-3}"
size=1920x1080

for tool in ffmpeg awk; do
  command -v "${tool}" >/dev/null || { echo "compare_peers: ${tool} not found" >&2; exit 1; }
done
[[ -x "${bench}" ]] || { echo "compare_peers: ${bench} not built" >&2; exit 1; }

tmp="$(mktemp -d)"
trap 'rm -rf "${tmp}"' EXIT

# Raw frames, so that reading them costs little and the same in every run. The noise filter
# works on 8-bit planes; the 16-bit formats come after it.
echo "Generating ${frames} frames of ${size} ..." >&2
for fmt in gbrp16le yuv444p16le; do
  ffmpeg -nostdin -hide_banner -loglevel error -f lavfi \
    -i "testsrc2=size=${size}:rate=30,format=yuv444p,noise=alls=20:allf=t+u" \
    -frames:v "${frames}" -vf "format=${fmt}" -f rawvideo -y "${tmp}/${fmt}.raw"
done

# Best wall time in seconds of ffmpeg running filter graph $2 over raw input in format $1.
best_seconds() {
  local fmt="$1" graph="$2" best="" t
  for ((i = 0; i < repeats; ++i)); do
    t="$(ffmpeg -nostdin -hide_banner -benchmark -threads 2 -filter_threads 2 \
      -f rawvideo -pix_fmt "${fmt}" -s "${size}" -i "${tmp}/${fmt}.raw" \
      -vf "${graph}" -f null - 2>&1 | sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p' | tail -n 1)"
    [[ -n "${t}" ]] || { echo "compare_peers: ffmpeg failed on ${graph}" >&2; exit 1; }
    if [[ -z "${best}" ]] || awk -v a="${t}" -v b="${best}" 'BEGIN { exit !(a < b) }'; then
      best="${t}"
    fi
  done
  echo "${best}"
}

# Milliseconds per frame of graph $2 beyond the null graph on the same input.
net_ms() {
  local fmt="$1" graph="$2" base run
  base="$(best_seconds "${fmt}" null)"
  run="$(best_seconds "${fmt}" "${graph}")"
  awk -v r="${run}" -v b="${base}" -v n="${frames}" 'BEGIN { printf "%.3f", (r - b) * 1000 / n }'
}

fixed="rimin=0.05:gimin=0.05:bimin=0.05:rimax=0.95:gimax=0.95:bimax=0.95:romin=0.05:romax=0.95"
fixed="${fixed}:gomin=0.05:gomax=0.95:bomin=0.05:bomax=0.95"
measuring="rimin=-1:gimin=-1:bimin=-1:rimax=-1:gimax=-1:bimax=-1"

echo "Timing ffmpeg ..." >&2
peer_fixed="$(net_ms gbrp16le "colorlevels=${fixed}")"
peer_measuring="$(net_ms gbrp16le "colorlevels=${measuring}")"
peer_normalize="$(net_ms gbrp16le normalize)"
peer_chain="$(net_ms yuv444p16le "format=gbrp16le,colorlevels=${fixed},format=yuv444p16le")"

echo "Timing ours ..." >&2
"${bench}" --benchmark_format=csv --benchmark_min_time=1 \
  --benchmark_filter='^MemcpyFrame$|^(AutoLevel|QuillonLevel)/[^/]+/w:1920/h:1080/threads:2/' \
  >"${tmp}/ours.csv" 2>/dev/null

# Name and real time in ms of every benchmark row.
ours="$(awk -F, 'NR > 1 && $1 ~ /^"/ {
  gsub(/"/, "", $1); split($1, p, "/"); t = $3
  if ($5 == "us") t /= 1000; else if ($5 == "ns") t /= 1e6; else if ($5 == "s") t *= 1000
  name = (p[1] == "MemcpyFrame") ? p[1] : p[1] "/" p[2]
  printf "%s %.3f\n", name, t }' "${tmp}/ours.csv")"
ms_of() { awk -v n="$1" '$1 == n { print $2 }' <<<"${ours}"; }
memcpy="$(ms_of MemcpyFrame)"
[[ -n "${memcpy}" ]] || { echo "compare_peers: no MemcpyFrame result" >&2; exit 1; }

echo
echo "1920x1080, 16-bit, 2 threads, ms per frame (${frames} frames, best of ${repeats})"
printf '%-22s %8s  %-26s %8s %10s %11s\n' case ours peer "peer ms" ours/peer ours/memcpy
row() {
  local name="$1" peer="$2" peerMs="$3" mine
  mine="$(ms_of "${name}")"
  awk -v n="${name}" -v o="${mine}" -v p="${peer}" -v pm="${peerMs}" -v m="${memcpy}" 'BEGIN {
    printf "%-22s %8.2f  %-26s %8.2f %10.2f %11.2f\n", n, o, p, pm, (pm > 0 ? o / pm : 0), o / m }'
}
row AutoLevel/default "colorlevels measuring" "${peer_measuring}"
row AutoLevel/CbCr "colorlevels measuring" "${peer_measuring}"
row AutoLevel/RGB "colorlevels measuring" "${peer_measuring}"
row AutoLevel/RGB "normalize" "${peer_normalize}"
row QuillonLevel/default "YUV>RGB>colorlevels>YUV" "${peer_chain}"
row QuillonLevel/heavy "YUV>RGB>colorlevels>YUV" "${peer_chain}"
printf '%-22s %8.2f\n' MemcpyFrame "${memcpy}"
printf '%-22s %8s  %-26s %8.2f\n' "" "" "colorlevels fixed" "${peer_fixed}"
