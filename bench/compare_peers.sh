#!/usr/bin/env bash
# Tessaro against its goals at 1920x1080, 16 bits, all in one session so that every ratio
# compares figures taken minutes apart at most: beside ffmpeg's level filters and the copy of
# the frame (2 workers); the 32- and 64-bit Windows modules under Wine beside the native one
# (1 and 2 workers); the serial share of each; the SSE4.1 code path beside AVX2; and how time
# scales with size and workers. Run by hand; prints the tables and keeps nothing.
#   bench/compare_peers.sh [NATIVE_BUILD [WINDOWS_I686_BUILD [WINDOWS_X64_BUILD]]]
#       (default build/native-release, build/windows-i686-release and
#        build/windows-x64-release; a Windows module whose build or Wine is missing is left out)
#   FRAMES=60 REPEATS=3 BENCH_FRAMES=300 bench/compare_peers.sh
#   NATIVE_MODULE=old/Tessaro.so WINDOWS_MODULE=old/Tessaro.auf WINDOWS64_MODULE=old64/Tessaro.auf \
#     bench/compare_peers.sh
#       (tessaro bench loads these modules instead of the builds' own, to time an earlier
#        version with the same host; the serial, slot and scaling rows always come from the
#        builds' own code)
# Our times are of the processing callback alone (the frame is restored before each call,
# untimed): `tessaro bench` for the module as a host loads it, with the serial time of the
# same filters built into tessaro; tessaro_bench for the floor (the frame copied by 2
# workers), the code paths and the scaling rows. ffmpeg times are wall time net of a
# "-vf null" run over the same input, per frame, the best of REPEATS runs.
set -euo pipefail
cd "$(dirname "$0")/.."

native="${1:-build/native-release}"
win32="${2:-build/windows-i686-release}"
win64="${3:-build/windows-x64-release}"
frames="${FRAMES:-60}"
repeats="${REPEATS:-3}"
bench_frames="${BENCH_FRAMES:-300}"
size=1920x1080

for tool in ffmpeg awk; do
  command -v "${tool}" >/dev/null || { echo "compare_peers: ${tool} not found" >&2; exit 1; }
done
for f in "${native}/bench/tessaro_bench" "${native}/tools/tessaro"; do
  [[ -x "${f}" ]] || { echo "compare_peers: ${f} not built" >&2; exit 1; }
done

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

# From tessaro bench output, "label|ms" lines of the module's table (it ends at the blank
# line before the phase table) and "label|serial ms|frame ms" lines of the phase table.
bench_rows() {
  awk 'NR > 2 && /^$/ { exit }
       NR > 2 { ms = $(NF - 2); $NF = ""; $(NF - 1) = ""; $(NF - 2) = ""; sub(/ +$/, "");
                print $0 "|" ms }'
}
phase_rows() {
  awk '/^where the time goes/ { table = 1; getline; next }
       table && NF > 7 { serial = $NF; frame = $(NF - 5)
                         for (i = 0; i < 6; ++i) $(NF - i) = ""; sub(/ +$/, "")
                         print $0 "|" serial "|" frame }'
}

native_module=()
[[ -n "${NATIVE_MODULE:-}" ]] && native_module=(--module "${NATIVE_MODULE}")
windows_module=()
[[ -n "${WINDOWS_MODULE:-}" ]] && windows_module=(--module "${WINDOWS_MODULE}")
windows64_module=()
[[ -n "${WINDOWS64_MODULE:-}" ]] && windows64_module=(--module "${WINDOWS64_MODULE}")

# bench NAME WORKERS COMMAND...: tessaro bench into ${tmp}/NAME.WORKERS and its phase rows.
bench() {
  local name="$1" workers="$2"
  shift 2
  "$@" bench --workers "${workers}" --frames "${bench_frames}" --size "${size}" | tr -d '\r' \
    >"${tmp}/${name}.${workers}.out"
  bench_rows <"${tmp}/${name}.${workers}.out" >"${tmp}/${name}.${workers}"
  phase_rows <"${tmp}/${name}.${workers}.out" >"${tmp}/${name}.${workers}.phases"
}

targets=(native)
labels=("native Tessaro.so")
for workers in 1 2; do
  echo "Timing Tessaro.so, ${workers} worker(s) ..." >&2
  bench native "${workers}" "${native}/tools/tessaro" "${native_module[@]}"
done
if command -v wine >/dev/null; then
  # Each in the prefix of its test stage (WINEPREFIX, and a 64-bit one beside it).
  for build in "${win32}:win32:32-bit" "${win64}:win64:64-bit"; do
    IFS=: read -r dir name bits <<<"${build}"
    [[ -f "${dir}/tools/tessaro.exe" ]] || continue
    module=("${windows_module[@]}")
    [[ "${name}" == win64 ]] && module=("${windows64_module[@]}")
    targets+=("${name}")
    labels+=("${bits} Tessaro.auf under Wine")
    for workers in 1 2; do
      echo "Timing the ${bits} Tessaro.auf under Wine, ${workers} worker(s) ..." >&2
      bench "${name}" "${workers}" bash -c 'source tests/support/wine_env.sh "$0"; exec "$@"' \
        "${name}" env WINEDEBUG=-all wine "${dir}/tools/tessaro.exe" "${module[@]}"
    done
  done
fi

echo "Timing the copy floor, the code paths and the scaling rows ..." >&2
# The scaling rows on this processor's own code path: the highest slot tessaro_bench times.
slot="$("${native}/bench/tessaro_bench" --benchmark_list_tests |
  sed -n 's|.*/slot:\([0-9]\)/.*|\1|p' | sort -n | tail -n 1)"
"${native}/bench/tessaro_bench" --benchmark_format=csv --benchmark_min_time=0.2 \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_filter="/w:[0-9]+/h:[0-9]+/threads:[12]/(slot:${slot}/)?[a-z]+_time" \
  >"${tmp}/scaling.csv" 2>/dev/null
if [[ "${slot}" -ge 6 ]]; then
  "${native}/bench/tessaro_bench" --benchmark_format=csv --benchmark_min_time=0.2 \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_filter="Level .*/w:1920/h:1080/threads:1/slot:4/" >>"${tmp}/scaling.csv" 2>/dev/null
fi

# ms of a tessaro bench row.
ms_of() { awk -F'|' -v n="$2" '$1 == n { print $2 }' "${tmp}/$1"; }
# Field $3 (2 serial, 3 frame) of a phase row.
phase_of() { awk -F'|' -v n="$2" -v f="$3" '$1 == n { print $f }' "${tmp}/$1.phases"; }
# The median of the repetitions of a tessaro_bench case at w, h and threads (and slot, if
# given): a run that another program on the machine delayed does not count.
bench_ms() {
  local name="$1/w:$2/h:$3/threads:$4/"
  [[ -n "${5:-}" ]] && name="${name}slot:$5/"
  awk -F, -v n="${name}" 'NR > 1 && index($1, n) == 2 && $1 ~ /_median"$/ {
    t = $3; if ($5 == "us") t /= 1000; else if ($5 == "ns") t /= 1e6; else if ($5 == "s") t *= 1000
    printf "%.4f", t; exit }' "${tmp}/scaling.csv"
}
copy="$(bench_ms CopyFrame 1920 1080 2)"
[[ -n "${copy}" ]] || { echo "compare_peers: no CopyFrame result" >&2; exit 1; }

# ratio LABEL OURS THEIRS GOAL [at-least]: one line of a goals table; the goal is an upper
# bound unless the fifth argument says it is a lower one.
ratio() {
  awk -v l="$1" -v o="$2" -v t="$3" -v g="$4" -v low="${5:-}" 'BEGIN {
    if (o == "" || t == "" || t + 0 == 0) { printf "%-52s %s\n", l, "no figure"; exit }
    r = o / t; ok = (low != "" ? r >= g : r <= g)
    printf "%-52s %8.3f %8.3f %7.2f   %s %-5s %s\n", l, o, t, r, (low != "" ? ">=" : "<="), g,
           (ok ? "met" : "NOT met") }'
}
header() { printf '%-52s %8s %8s %7s   %s\n' "$1" ours them ratio goal; }

settings=()
while IFS='|' read -r label ms; do
  [[ "${label}" == "restoring the frame" ]] || settings+=("${label}")
done <"${tmp}/native.2"

echo
echo "1920x1080, 16-bit, 2 workers, ms per frame (ffmpeg: ${frames} frames, best of ${repeats})"
header "ours against"
ratio "Auto Level default / 2-worker copy" "$(ms_of native.2 'Auto Level default')" "${copy}" 3
ratio "Auto Level Cb + Cr / 2-worker copy" "$(ms_of native.2 'Auto Level Cb + Cr')" "${copy}" 4
ratio "Auto Level RGB mode / ffmpeg normalize" "$(ms_of native.2 'Auto Level RGB mode')" \
  "${peer_normalize}" 0.33
ratio "Quillon Level default / ffmpeg chain" "$(ms_of native.2 'Quillon Level default')" \
  "${peer_chain}" 0.2
ratio "Quillon Level heavy / ffmpeg chain" "$(ms_of native.2 'Quillon Level heavy')" \
  "${peer_chain}" 0.4
echo "  2-worker copy ${copy} ms; ffmpeg normalize ${peer_normalize} ms; ffmpeg YUV > RGB > colorlevels > YUV ${peer_chain} ms"

for ((t = 1; t < ${#targets[@]}; ++t)); do
  name="${targets[t]}"
  echo
  echo "The ${labels[t]} against the native Tessaro.so (tessaro bench)"
  header "setting"
  for label in "${settings[@]}"; do
    for workers in 1 2; do
      ratio "${label}, ${workers} worker(s)" "$(ms_of "${name}.${workers}" "${label}")" \
        "$(ms_of "native.${workers}" "${label}")" 1.25
    done
    ratio "${label}, 2 workers against 1 (speed-up)" "$(ms_of "${name}.1" "${label}")" \
      "$(ms_of "${name}.2" "${label}")" 1.7 at-least
  done
done

echo
echo "Serial share: time outside the workers' loops at 2 workers, against the 1-worker frame"
echo "(the same filters built into each tessaro)"
header "setting"
for ((t = 0; t < ${#targets[@]}; ++t)); do
  name="${targets[t]}"
  for label in "${settings[@]}"; do
    ratio "${label} (${name})" "$(phase_of "${name}.2" "${label}" 2)" \
      "$(phase_of "${name}.1" "${label}" 3)" 0.03
  done
done

if [[ "${slot}" -ge 6 ]]; then
  echo
  echo "The SSE4.1 code path (slot 4) against AVX2 (slot 6), 1 worker (tessaro_bench)"
  header "setting"
  for label in "${settings[@]}"; do
    ratio "${label}" "$(bench_ms "${label}" 1920 1080 1 4)" "$(bench_ms "${label}" 1920 1080 1 6)" 1.5
  done
fi

echo
echo "Scaling (tessaro_bench, slot ${slot}): time per pixel against 1080p, and 2 workers against 1"
printf '%-24s %9s %9s %9s %11s\n' setting "720p" "2160p" "(±15 %)" "2 vs 1 wkr"
for label in "${settings[@]}"; do
  p720="$(bench_ms "${label}" 1280 720 2 "${slot}")"
  p1080="$(bench_ms "${label}" 1920 1080 2 "${slot}")"
  p2160="$(bench_ms "${label}" 3840 2160 2 "${slot}")"
  one="$(bench_ms "${label}" 1920 1080 1 "${slot}")"
  awk -v l="${label}" -v a="${p720}" -v b="${p1080}" -v c="${p2160}" -v o="${one}" 'BEGIN {
    pa = a / (1280 * 720); pb = b / (1920 * 1080); pc = c / (3840 * 2160)
    ra = pa / pb; rc = pc / pb; ok = (ra >= 0.85 && ra <= 1.15 && rc >= 0.85 && rc <= 1.15)
    printf "%-24s %9.3f %9.3f %9s %10.2fx\n", l, ra, rc, (ok ? "met" : "NOT met"), o / b }'
done
