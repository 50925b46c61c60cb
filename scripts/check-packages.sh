#!/usr/bin/env bash
# Builds the packages into build/packages and checks them: the Windows zip's contents, then
# the Debian package installed on this machine, `tessaro list` and ffmpeg's frei0r filter with
# no path variables, and the package removed again. Needs root (or sudo) for the install; a
# tessaro package already installed is left alone and fails the check.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/packages
jobs="$(nproc)"
for preset in native-release windows-i686-release; do
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}" >/dev/null
done
rm -f "${out}"/*.deb "${out}"/*.zip
(cd build/native-release && cpack -G DEB -B ../packages >/dev/null 2>&1)
(cd build/windows-i686-release && cpack -G ZIP -B ../packages >/dev/null 2>&1)
deb=$(ls "${out}"/tessaro_*_amd64.deb)
zip=$(ls "${out}"/Tessaro-*-windows-i686.zip)
ls -l "${deb}" "${zip}"

# list_has LIST ENTRY...: every ENTRY ends a line of LIST (or comes before a link's target).
list_has() {
  local list=$1 entry
  shift
  for entry in "$@"; do
    grep -q -- "${entry}\( -> .*\)\?\$" <<<"${list}" || { echo "FAIL: package lacks ${entry}" >&2; exit 1; }
  done
}
list_has "$(cmake -E tar tf "${zip}")" /Tessaro.auf /tessaro.exe /README.txt /LICENSE.txt
list_has "$(dpkg-deb -c "${deb}")" ./usr/bin/tessaro ./usr/lib/tessaro/tessaro \
  ./usr/lib/tessaro/Tessaro.so ./usr/lib/frei0r-1/tessaro_auto_level.so \
  ./usr/lib/frei0r-1/tessaro_quillon_level.so ./usr/share/doc/tessaro/README.md \
  ./usr/share/doc/tessaro/copyright
echo "ok: contents; $(dpkg-deb -f "${deb}" Depends)"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
if dpkg-query -W -f='${Status}' tessaro 2>/dev/null | grep -q 'ok installed'; then
  echo "FAIL: a tessaro package is installed already; remove it to run this check" >&2
  exit 1
fi
# The machine stays as it was: the package's dependencies must be there already.
others=$("${sudo_cmd[@]}" apt-get install -s --no-install-recommends "./${deb}" | grep '^Inst ' | grep -v '^Inst tessaro ' || true)
[ -z "${others}" ] || { echo "FAIL: installing the package would also install: ${others}" >&2; exit 1; }
work=$(mktemp -d)
remove() {
  "${sudo_cmd[@]}" dpkg --purge tessaro >/dev/null 2>&1 || true
  rm -rf "${work}"
}
trap remove EXIT
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
  "./${deb}" >"${work}/apt.log" 2>&1 || { cat "${work}/apt.log" >&2; exit 1; }

# As a user would run them: from the search path, no FREI0R_PATH or LD_LIBRARY_PATH, a home
# without effects of its own.
as_user() { env -u FREI0R_PATH -u LD_LIBRARY_PATH HOME="${work}" PATH=/usr/bin:/bin "$@"; }
[ "$(command -v tessaro)" = /usr/bin/tessaro ] || { echo "FAIL: tessaro is not /usr/bin/tessaro" >&2; exit 1; }
as_user tessaro list | grep -E '^(Auto|Quillon) Level'
as_user ffmpeg -v error -f lavfi -i testsrc2=size=160x90:rate=25 -frames:v 3 -pix_fmt rgba "${work}/in_%d.png"
as_user ffmpeg -v error -i "${work}/in_%d.png" -vf "frei0r=filter_name=tessaro_auto_level:filter_params=y|y|n|0.3" \
  -pix_fmt rgba "${work}/out_%d.png"
for n in 1 2 3; do
  as_user tessaro apply "${work}/in_${n}.png" "${work}/want_${n}.png" --filter "Auto Level" --check Cb=1 --check Cr=1 --move midRng=32
  cmp -s "${work}/in_${n}.png" "${work}/want_${n}.png" && { echo "FAIL: the filter leaves frame ${n}" >&2; exit 1; }
  build/native-release/tests/sample_diff "${work}/want_${n}.png" "${work}/out_${n}.png" --max 0 --alpha-exact >/dev/null ||
    { echo "FAIL: frame ${n} from ffmpeg differs from tessaro apply" >&2; exit 1; }
done
echo "ok: installed; tessaro list and ffmpeg -vf frei0r=filter_name=tessaro_auto_level: 3 frames equal to tessaro apply"

"${sudo_cmd[@]}" dpkg --purge tessaro >/dev/null
for gone in /usr/bin/tessaro /usr/lib/tessaro /usr/lib/frei0r-1/tessaro_auto_level.so /usr/share/doc/tessaro; do
  [ ! -e "${gone}" ] || { echo "FAIL: ${gone} is left after removal" >&2; exit 1; }
done
echo "ok: removed"
