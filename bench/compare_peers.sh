#!/usr/bin/env bash
# Tessaro beside ffmpeg's level filters on 1920x1080 16-bit material with 2 workers, the
# 32-bit module under Wine beside the native one, and how time scales with size and workers,
# all in one session so that every ratio compares figures taken minutes apart at most.
# Run by hand; prints the tables and keeps nothing.
#   bench/compare_peers.sh [NATIVE_BUILD [WINDOWS_BUILD]]
#       (default build/native-release and build/windows-i686-release; the Wine column is left
#        out when the Windows build or wine is missing)
#   FRAMES=60 REPEATS=3 bench/compare_peers.sh
#   NATIVE_MODULE=old/Tessaro.so WINDOWS_MODULE=old/Tessaro.auf bench/compare_peers.sh
#       (tessaro bench loads these modules instead of the builds' own, to time an earlier
#        version with the same host; the scaling rows always come from tessaro_bench)
# Our times are of the processing callback alone (the frame is restored before each call,
# untimed): `tessaro bench` for the module as a host loads it, tessaro_bench for the floor
# (the frame copied by 2 workers) and the scaling rows. ffmpeg times are wall time net of a
# "-vf null" run over the same input, per frame, the best of REPEATS runs.
set -euo pipefail
cd "$(dirname "$0")/.."

native="${1:-build/native-release}"
windows="${2:-build/windows-i686-release}"
frames="${FRAMES:-60}"
repeats="${REPEATS:-3}"
size=1920x1080

for tool in ffmpeg awk; do
  command -v "${tool}" >/dev/null || { echo "compare_peers: ${tool} not found" >&2; exit 1; }
done
for f in "${native}/bench/tessaro_bench" "${native}/tools/tessaro"; do
  [[ -x "${f}" ]] || { echo "compare_peers: ${f} not built" >&2; exit 1; }
done
wine_exe=""
if [[ -f "${windows}/tools/tessaro.exe" ]] && command -v wine >/dev/null; then
  wine_exe="${windows}/tools/tessaro.exe"
fi

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

echo "Timing ffmpeg ..." >&2
peer_normalize="$(net_ms gbrp16le normalize)"
peer_chain="$(net_ms yuv444p16le "format=gbrp16le,colorlevels=${fixed},format=yuv444p16le")"

# "label ms" lines from tessaro bench output.
bench_rows() {
  awk 'NR > 2 { ms = $(NF - 2); $NF = ""; $(NF - 1) = ""; $(NF - 2) = ""; sub(/ +$/, "");
                print $0 "|" ms }'
}
echo "Timing Tessaro.so ..." >&2
native_module=()
[[ -n "${NATIVE_MODULE:-}" ]] && native_module=(--module "${NATIVE_MODULE}")
windows_module=()
[[ -n "${WINDOWS_MODULE:-}" ]] && windows_module=(--module "${WINDOWS_MODULE}")
"${native}/tools/tessaro" bench --workers 2 --frames 300 --size "${size}" "${native_module[@]}" |
  bench_rows >"${tmp}/native"
if [[ -n "${wine_exe}" ]]; then
  echo "Timing Tessaro.auf under Wine ..." >&2
  WINEDEBUG=-all wine "${wine_exe}" bench --workers 2 --frames 300 --size "${size}" "${windows_module[@]}" |
    tr -d '\r' |
    bench_rows >"${tmp}/wine"
fi
echo "Timing the copy floor and the scaling rows ..." >&2
# The scaling rows on this processor's own code path: the highest slot tessaro_bench times.
slot="$("${native}/bench/tessaro_bench" --benchmark_list_tests |
  sed -n 's|.*/slot:\([0-9]\)/.*|\1|p' | sort -n | tail -n 1)"
"${native}/bench/tessaro_bench" --benchmark_format=csv --benchmark_min_time=0.2 \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_filter="/w:[0-9]+/h:[0-9]+/threads:[12]/(slot:${slot}/)?[a-z]+_time" \
  >"${tmp}/scaling.csv" 2>/dev/null

# ms of a tessaro bench row, or of a tessaro_bench case at w, h and threads.
ms_of() { awk -F'|' -v n="$2" '$1 == n { print $2 }' "${tmp}/$1"; }
# The median of the repetitions: a run that another program on the machine delayed does not
# count.
bench_ms() {
  awk -F, -v n="$1/w:$2/h:$3/threads:$4/" 'NR > 1 && index($1, n) == 2 && $1 ~ /_median"$/ {
    t = $3; if ($5 == "us") t /= 1000; else if ($5 == "ns") t /= 1e6; else if ($5 == "s") t *= 1000
    printf "%.4f", t }' "${tmp}/scaling.csv"
}
copy="$(bench_ms CopyFrame 1920 1080 2)"
[[ -n "${copy}" ]] || { echo "compare_peers: no CopyFrame result" >&2; exit 1; }

# ratio LABEL OURS THEIRS GOAL: one line of the goals table.
ratio() {
  awk -v l="$1" -v o="$2" -v t="$3" -v g="$4" 'BEGIN {
    r = o / t; printf "%-44s %8.3f %8.3f %7.2f   <= %-5s %s\n", l, o, t, r, g, (r <= g ? "met" : "NOT met") }'
}

echo
echo "1920x1080, 16-bit, 2 workers, ms per frame (ffmpeg: ${frames} frames, best of ${repeats})"
printf '%-44s %8s %8s %7s   %s\n' "ours against" ours them ratio goal
ratio "Auto Level default / 2-worker copy" "$(ms_of native 'Auto Level default')" "${copy}" 2.5
ratio "Auto Level Cb + Cr / 2-worker copy" "$(ms_of native 'Auto Level Cb + Cr')" "${copy}" 3
ratio "Auto Level RGB mode / ffmpeg normalize" "$(ms_of native 'Auto Level RGB mode')" \
  "${peer_normalize}" 0.5
ratio "Quillon Level default / ffmpeg chain" "$(ms_of native 'Quillon Level default')" \
  "${peer_chain}" 0.4
ratio "Quillon Level heavy / ffmpeg chain" "$(ms_of native 'Quillon Level heavy')" \
  "${peer_chain}" 0.5
echo "  2-worker copy ${copy} ms; ffmpeg normalize ${peer_normalize} ms; ffmpeg YUV > RGB > colorlevels > YUV ${peer_chain} ms"

if [[ -f "${tmp}/wine" ]]; then
  echo
  echo "The 32-bit Tessaro.auf under Wine against the native Tessaro.so (tessaro bench, 2 workers)"
  while IFS='|' read -r label ms; do
    [[ "${label}" == "restoring the frame" ]] && continue
    ratio "${label} (32-bit / native)" "$(ms_of wine "${label}")" "${ms}" 1.25
  done <"${tmp}/native"
fi

echo
echo "Scaling (tessaro_bench): time per pixel against 1080p, and 2 workers against 1"
printf '%-24s %9s %9s %9s %11s\n' setting "720p" "2160p" "(±15 %)" "2 vs 1 wkr"
while IFS='|' read -r label ms; do
  [[ "${label}" == "restoring the frame" ]] && continue
  p720="$(bench_ms "${label}" 1280 720 2)"
  p1080="$(bench_ms "${label}" 1920 1080 2)"
  p2160="$(bench_ms "${label}" 3840 2160 2)"
  one="$(bench_ms "${label}" 1920 1080 1)"
  awk -v l="${label}" -v a="${p720}" -v b="${p1080}" -v c="${p2160}" -v o="${one}" 'BEGIN {
    pa = a / (1280 * 720); pb = b / (1920 * 1080); pc = c / (3840 * 2160)
    ra = pa / pb; rc = pc / pb; ok = (ra >= 0.85 && ra <= 1.15 && rc >= 0.85 && rc <= 1.15)
    printf "%-24s %9.3f %9.3f %9s %10.2fx\n", l, ra, rc, (ok ? "met" : "NOT met"), o / b }'
done <"${tmp}/native"
echo "  (the speed-up goal of at least 1.6x applies to the RGB paths: RGB mode and Quillon Level)"
