#!/usr/bin/env bash
# Builds the packages into build/packages and checks them: the contents of AviUtl ExEdit2's
# package and of the Windows zip, then the Debian package installed on this machine,
# `tessaro list` and ffmpeg's frei0r filter with no path variables, the OBS module where OBS's
# own module search finds it (inside libobs, under Xvfb), and the package removed again. Needs root (or sudo) for the install; a tessaro package already installed is left
# alone and fails the check.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
out=build/packages
jobs="$(nproc)"
# The 64-bit Windows build before the 32-bit one: the Windows zip carries its plug-in.
for preset in native-release windows-x64-release windows-i686-release; do
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}" >/dev/null
done
rm -f "${out}"/*.deb "${out}"/*.zip
mkdir -p "${out}"
(cd build/native-release && cpack -G DEB -B ../packages >/dev/null 2>&1)
(cd build/windows-i686-release && cpack -G ZIP -B ../packages >/dev/null 2>&1)
cp build/windows-x64-release/packaging/Tessaro-*.au2pkg.zip "${out}/"
deb=$(ls "${out}"/tessaro_*_amd64.deb)
zip=$(ls "${out}"/Tessaro-*-windows.zip)
au2pkg=$(ls "${out}"/Tessaro-*.au2pkg.zip)
ls -l "${deb}" "${zip}" "${au2pkg}"

# list_has LIST ENTRY...: every ENTRY ends a line of LIST (or comes before a link's target).
list_has() {
  local list=$1 entry
  shift
  for entry in "$@"; do
    grep -q -- "${entry}\( -> .*\)\?\$" <<<"${list}" || { echo "FAIL: package lacks ${entry}" >&2; exit 1; }
  done
}
# Both editors' plug-ins, each for its own architecture, and OBS Studio's in OBS's layout.
list_has "$(cmake -E tar tf "${zip}")" /Tessaro.auf /Tessaro.aux2 "/$(basename "${au2pkg}")" \
  /tessaro.exe /README.txt /LICENSE.txt /obs-plugins/64bit/tessaro-obs.dll \
  /data/obs-plugins/tessaro-obs/locale/en-US.ini
work=$(mktemp -d)
trap 'rm -rf "${work}"' EXIT
(cd "${work}" && cmake -E tar xf "${here}/${zip}")
for f in Tessaro.auf:i386 Tessaro.aux2:i386:x86-64 tessaro.exe:i386 \
  obs-plugins/64bit/tessaro-obs.dll:i386:x86-64; do
  objdump -f "${work}"/*/"${f%%:*}" | grep -q "architecture: ${f#*:}," ||
    { echo "FAIL: ${f%%:*} is not built for ${f#*:}" >&2; exit 1; }
done
grep -q 'AviUtl ExEdit2' "${work}"/*/README.txt && grep -q 'AviUtl 1.10' "${work}"/*/README.txt ||
  { echo "FAIL: README.txt does not say which editor takes which plug-in" >&2; exit 1; }
grep -q 'obs-studio' "${work}"/*/README.txt ||
  { echo "FAIL: README.txt does not say where the OBS Studio module goes" >&2; exit 1; }
cmp -s "${work}"/*/obs-plugins/64bit/tessaro-obs.dll build/windows-x64-release/tools/obs/tessaro-obs.dll ||
  { echo "FAIL: the zip's tessaro-obs.dll is not the 64-bit build's" >&2; exit 1; }
# AviUtl ExEdit2's package: exactly these at its root, the plug-in in its own folder, and the
# keys the editor reads from package.ini.
entries=$(cmake -E tar tf "${au2pkg}" | grep -v '/$' | sort | tr '\n' ' ')
want="Plugin/Tessaro/LICENSE.txt Plugin/Tessaro/README.txt Plugin/Tessaro/Tessaro.aux2 package.ini package.txt "
[ "${entries}" = "${want}" ] || { echo "FAIL: $(basename "${au2pkg}") holds ${entries}, want ${want}" >&2; exit 1; }
(cd "${work}" && cmake -E tar xf "${here}/${au2pkg}")
ini=$(tr -d '\r' <"${work}/package.ini")
for key in '^\[package\]$' '^id=Tessaro$' '^name=Tessaro$' '^information=Tessaro .*AviUtl ExEdit2$'; do
  grep -q "${key}" <<<"${ini}" || { echo "FAIL: package.ini lacks ${key}: ${ini}" >&2; exit 1; }
done
cmp -s "${work}/Plugin/Tessaro/Tessaro.aux2" "${work}"/Tessaro-*-windows/Tessaro.aux2 ||
  { echo "FAIL: the package and the zip hold different Tessaro.aux2" >&2; exit 1; }
echo "ok: $(basename "${zip}") and $(basename "${au2pkg}") contents"
rm -rf "${work}"
trap - EXIT
# Debian's OBS Studio looks for modules in its plug-in folder, for their data in its own.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
list_has "$(dpkg-deb -c "${deb}")" ./usr/bin/tessaro ./usr/lib/frei0r-1/tessaro_auto_level.so \
  ./usr/lib/frei0r-1/tessaro_quillon_level.so ./usr/share/doc/tessaro/README.md \
  ./usr/share/doc/tessaro/copyright "./usr/lib/${multiarch}/obs-plugins/tessaro-obs.so" \
  ./usr/share/obs/obs-plugins/tessaro-obs/locale/en-US.ini
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

# OBS Studio's module as OBS finds it: libobs's own search, no plug-in folder of ours, and both
# filters on frames of every format equal to tessaro apply. Needs libobs and Xvfb (setup-debian.sh
# --tests); the test host is built only where libobs-dev is.
obs_host=build/native-release/tests/obs/obs_host_test
if [ -x "${obs_host}" ] && command -v xvfb-run >/dev/null; then
  as_user xvfb-run -a "${here}/${obs_host}" --installed /usr/bin/tessaro \
    --gtest_filter='ObsModule.*:ObsFrames.EveryFormatEqualsTessaroApply' >"${work}/obs.log" 2>&1 ||
    { cat "${work}/obs.log" >&2; echo "FAIL: OBS's module search or the filters in it" >&2; exit 1; }
  grep -E '^  (binary|data) ' "${work}/obs.log"
  echo "ok: libobs finds tessaro-obs where the package puts it; every format equal to tessaro apply"
else
  echo "FAIL: ${obs_host} or xvfb-run is missing (bash scripts/setup-debian.sh --tests)" >&2
  exit 1
fi

"${sudo_cmd[@]}" dpkg --purge tessaro >/dev/null
for gone in /usr/bin/tessaro /usr/lib/tessaro /usr/lib/frei0r-1/tessaro_auto_level.so /usr/share/doc/tessaro \
  "/usr/lib/${multiarch}/obs-plugins/tessaro-obs.so" /usr/share/obs/obs-plugins/tessaro-obs; do
  [ ! -e "${gone}" ] || { echo "FAIL: ${gone} is left after removal" >&2; exit 1; }
done
echo "ok: removed"
