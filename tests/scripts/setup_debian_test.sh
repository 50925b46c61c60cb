#!/usr/bin/env bash
# scripts/setup-debian.sh --tests against a fake apt and dpkg: nothing called when everything
# is installed; an update that fails for a while, or for good; an install that needs the
# versions both architectures have; and one that cannot succeed.
# usage: setup_debian_test.sh SETUP_SCRIPT
source "$(dirname "$0")/../tools/lib.sh"
script=$1
fake=$work/bin
mkdir -p "$fake"
export CALLS=$work/calls STATE=$work/state SETUP_APT_PREFERENCES=$work/preferences

# An i386 library whose amd64 twin is installed at a security update the i386 index lacks
# (libgst), one that is not installed but whose amd64 candidate is such an update (libgstbase),
# and one installed at a version both have (libc).
cat >"$fake/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$CALLS"
case "$1" in
  update)
    n=$(cat "$STATE" 2>/dev/null || echo 0)
    echo $((n + 1)) >"$STATE"
    if [ "$n" -lt "$FAKE_UPDATE_FAILS" ]; then
      echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (31 != 62). Mirror sync in progress?"
      exit 100
    fi ;;
  install)
    case "$FAKE_INSTALL" in
      ok) exit 0 ;;
      pins | held)
        # The preference pins both builds of both libraries, and nothing else.
        want=$'Package: libgst libgst:i386\nPin: version 2.0\nPin-Priority: 1001\n\nPackage: libgstbase libgstbase:i386\nPin: version 3.0\nPin-Priority: 1001'
        [ "$FAKE_INSTALL" = pins ] && [[ " $* " == *" --allow-downgrades "* ]] &&
          [ "$(sort -u "$SETUP_APT_PREFERENCES" | grep . | sort)" = "$(sort -u <<<"$want" | grep . | sort)" ] && exit 0
        echo " wine32:i386 : Depends: libgst:i386 (= 2.0+deb12u1) but it is not installable"
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100 ;;
      *) echo "E: Unable to locate package wine64"; exit 100 ;;
    esac ;;
esac
FAKE
cat >"$fake/apt-cache" <<'FAKE'
#!/usr/bin/env bash
echo "apt-cache $*" >>"$CALLS"
case "$1" in
  depends) printf 'wine32:i386\n  Depends: libgst:i386\nlibgst:i386\nlibgstbase:i386\nlibc:i386\n<libvirtual:i386>\n' ;;
  policy)
    shift
    for p in "$@"; do
      case "$p" in
        libgst) v="2.0+deb12u1 2.0+deb12u1" ;;
        libgstbase) v="(none) 3.0+deb12u1" ;;
        libgstbase:i386) v="(none) 3.0" ;;
        libgst:i386) v="(none) 2.0" ;;
        libc) v="1.0 1.0" ;;
        libc:i386) v="(none) 1.0" ;;
        *) v="(none) 8.0" ;;
      esac
      read -r installed candidate <<<"$v"
      printf '%s:\n  Installed: %s\n  Candidate: %s\n  Version table:\n' "$p" "$installed" "$candidate"
    done ;;
  show) echo "Multi-Arch: same" ;;
  madison)
    case "$2" in
      libgst:i386) echo "libgst:i386 |        2.0 | main i386" ;;
      libgst:amd64) printf 'libgst | 2.0+deb12u1 | security amd64\nlibgst |        2.0 | main amd64\n' ;;
      libgstbase:i386) echo "libgstbase:i386 |        3.0 | main i386" ;;
      libgstbase:amd64) printf 'libgstbase | 3.0+deb12u1 | security amd64\nlibgstbase |        3.0 | main amd64\n' ;;
      libc:*) echo "libc |        1.0 | main" ;;
    esac ;;
esac
FAKE
cat >"$fake/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
format=${2#-f=} package=$3
if [ "$format" = '${Status}' ]; then
  [ "$FAKE_INSTALLED" = all ] && { printf 'install ok installed'; exit 0; }
  exit 1
fi
case "$package" in
  libgst:amd64) echo "libgst:amd64 2.0+deb12u1 same ii" ;;
  libc:amd64) echo "libc:amd64 1.0 same ii" ;;
  *) exit 1 ;;
esac
FAKE
cat >"$fake/dpkg" <<'FAKE'
#!/usr/bin/env bash
case "$1" in
  --print-foreign-architectures) echo i386 ;;
  --print-architecture) echo amd64 ;;
  *) echo "dpkg $*" >>"$CALLS" ;;
esac
FAKE
printf '#!/usr/bin/env bash\necho "sleep $*" >>"$CALLS"\n' >"$fake/sleep"
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$fake/sudo"
chmod +x "$fake"/*

# run LABEL WANT_STATUS INSTALLED UPDATE_FAILS INSTALL: the script's status, calls and messages.
run() {
  local label=$1 want=$2 got=0
  rm -f "$CALLS" "$STATE"
  touch "$CALLS"
  FAKE_INSTALLED=$3 FAKE_UPDATE_FAILS=$4 FAKE_INSTALL=$5 SETUP_APT_PAUSE=7 PATH="$fake:$PATH" \
    bash "$script" --tests >"$work/out" 2>"$work/err" || got=$?
  current=$label
  [ "$got" -eq "$want" ] || fail "$label: exit status $got, want $want: $(head -c 400 "$work/err")"
}
count() { grep -c -- "$1" "$CALLS" || true; }
expect_count() {
  local n
  n=$(count "$1")
  [ "$n" -eq "$2" ] || fail "$current: $n calls matching '$1', want $2: $(tr '\n' ';' <"$CALLS")"
}
expect_err() { grep -qF -- "$1" "$work/err" || fail "$current: no '$1' in: $(head -c 400 "$work/err")"; }

run "everything installed" 0 all 0 ok
[ ! -s "$CALLS" ] && [ ! -s "$work/out" ] && [ ! -s "$work/err" ] ||
  fail "$current: called $(tr '\n' ';' <"$CALLS") and printed $(cat "$work/out" "$work/err")"

run "update fails twice" 0 "" 2 ok
expect_count "apt-get update" 3
expect_count "sleep 7" 2
expect_count "apt-get install" 1
expect_err "Mirror sync in progress?"

run "update fails for good, install succeeds" 0 "" 9 ok
expect_count "apt-get update" 3
expect_count "sleep" 2
expect_count "apt-get install" 1
expect_err "going on with the package indexes that did download"

run "versions both architectures have" 0 "" 0 pins
expect_count "apt-get install" 2
expect_count "install .*--allow-downgrades" 1
expect_err "libgst=2.0 libgstbase=3.0"
[ ! -e "$SETUP_APT_PREFERENCES" ] || fail "$current: the preference outlives the install"

run "cannot install" 1 "" 3 never
expect_err "cannot install"
expect_err "wine32:i386"
expect_err "E: Unable to locate package wine64"
expect_err "apt-get update failed 3 times"
expect_count "apt-get install" 1

run "held broken packages, matched versions too" 1 "" 0 held
expect_err "cannot install"
expect_err "held broken packages"
expect_err "and with those versions"
expect_count "apt-get install" 2
[ ! -e "$SETUP_APT_PREFERENCES" ] || fail "$current: the preference outlives the install"

[ "$failures" -eq 0 ] && echo "ok: setup-debian.sh: no-op, update retried and given up on, matched versions, clear failures"
finish
