#!/usr/bin/env bash
# Installs what Tessaro needs on a Debian 12 machine, and only what is missing: nothing
# happens when every package is already there.
#   setup-debian.sh          building the native module and command-line host, and the demo
#   setup-debian.sh --tests  also everything the tests use: GoogleTest, Google Benchmark, the
#                            32- and 64-bit Windows cross compilers, 32- and 64-bit Wine, qemu,
#                            ffmpeg, clang for the sanitizer and fuzzing builds, the frei0r header
#                            with GStreamer and MLT for the frei0r effects' host tests, OBS
#                            Studio's libobs with Xvfb and Mesa's software OpenGL for the OBS
#                            module's test inside it, and dpkg-dev for the package
# A package index that fails to download is tried again (SETUP_APT_TRIES times, SETUP_APT_PAUSE
# seconds apart); if it still fails, the install goes on with the indexes that did download.
set -euo pipefail

tests=0
for arg in "$@"; do
  case "$arg" in
    --tests) tests=1 ;;
    *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
  esac
done

packages=(cmake ninja-build g++ libstb-dev)
if [ "$tests" -eq 1 ]; then
  packages+=(
    clang libclang-rt-14-dev
    googletest libgtest-dev libbenchmark-dev
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    qemu-user
    wine wine32:i386 wine64
    ffmpeg
    frei0r-plugins-dev gstreamer1.0-tools gstreamer1.0-plugins-bad gstreamer1.0-plugins-good melt
    libobs-dev xvfb xauth libegl-mesa0 libgl1-mesa-dri libglx-mesa0
    dpkg-dev
  )
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# 32-bit Wine comes from the i386 architecture.
if [ "$tests" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT
tries=${SETUP_APT_TRIES:-3}
pause=${SETUP_APT_PAUSE:-30}

# A mirror in the middle of a sync serves an index of the wrong size ("Mirror sync in
# progress?") and apt-get update fails; a little later it passes.
updated=0
for ((try = 1; try <= tries; try++)); do
  if "${sudo_cmd[@]}" apt-get update -qq >"$log" 2>&1; then
    updated=1
    break
  fi
  echo "apt-get update failed (try $try of $tries): $(grep -E '^E:' "$log" | head -n 2)" >&2
  if [ "$try" -lt "$tries" ]; then sleep "$pause"; fi
done
if [ "$updated" -eq 0 ]; then
  echo "going on with the package indexes that did download" >&2
fi

install() {
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}

# With one architecture's index missing (its security updates, say), the amd64 build of a
# library may be newer than every i386 build apt knows of, while Multi-Arch: same needs both at
# one version: apt then reports held broken packages. For each library of both architectures
# the i386 packages may need whose candidates differ: NAME V, V the newest version both have.
matched_versions() {
  local native p
  native=$(dpkg --print-architecture)
  local foreign=()
  for p in $(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
               --no-replaces --no-enhances "$@" 2>/dev/null | grep -E '^[^ <].*:i386$' | sort -u); do
    foreign+=("${p%:i386}")
  done
  if [ "${#foreign[@]}" -eq 0 ]; then return 0; fi
  # The libraries whose amd64 candidate is not the i386 one (an installed build is its own
  # candidate unless a newer one is known, and apt moves it to the candidate when the i386
  # twin comes in). apt-cache policy names the native build without its architecture;
  # madison pads its versions.
  local base twins v
  for base in $(apt-cache policy "${foreign[@]}" "${foreign[@]/%/:i386}" 2>/dev/null | awk '
      /^[^ ].*:$/ { name = substr($0, 1, length($0) - 1) }
      /^  Candidate:/ { candidate[name] = $2 }
      END {
        for (name in candidate) {
          if (name ~ /:/) continue
          theirs = candidate[name ":i386"]
          if (theirs == "" || theirs == "(none)") continue
          if (candidate[name] != "(none)" && candidate[name] != theirs) print name
        }
      }' | sort); do
    [ "$(apt-cache show --no-all-versions "$base" 2>/dev/null | awk '/^Multi-Arch:/ { print $2; exit }')" = same ] || continue
    twins=$(apt-cache madison "$base:i386" | awk -F '|' '{ gsub(/ /, "", $2); print $2 }')
    # madison lists the newest first.
    for v in $(apt-cache madison "$base:$native" | awk -F '|' '{ gsub(/ /, "", $2); print $2 }'); do
      if grep -qxF -- "$v" <<<"$twins"; then
        echo "$base $v"
        break
      fi
    done
  done
}

if install "${missing[@]}"; then exit 0; fi
failure=$(grep -vE '^(Reading|Building|Selecting|Preparing|Unpacking|Setting up|Processing)' "$log" | head -n 20)
matched=""
if grep -qE 'held broken packages|unmet dependencies' "$log"; then
  matched=$(matched_versions "${missing[@]}")
fi
if [ -n "$matched" ]; then
  # Pinned for this install only: a preference picks the version and installs nothing itself.
  prefs=${SETUP_APT_PREFERENCES:-/etc/apt/preferences.d/tessaro-setup-matched-versions}
  trap '"${sudo_cmd[@]}" rm -f "$prefs"; rm -f "$log"' EXIT
  awk '{ printf "Package: %s %s:i386\nPin: version %s\nPin-Priority: 1001\n\n", $1, $1, $2 }' \
    <<<"$matched" | "${sudo_cmd[@]}" tee "$prefs" >/dev/null
  echo "once more, with these at versions both architectures have: $(tr '\n' ' ' <<<"$matched" | sed 's/\([^ ]*\) \([^ ]*\) /\1=\2 /g')" >&2
  if install --allow-downgrades "${missing[@]}"; then exit 0; fi
  failure+=$'\n'"and with those versions:"$'\n'$(grep -E '^(E:| )' "$log" | head -n 20)
fi
{
  echo "setup-debian.sh: cannot install ${missing[*]}:"
  echo "$failure"
  if [ "$updated" -eq 0 ]; then
    echo "apt-get update failed $tries times, so a package index is missing: try again later."
  fi
} >&2
exit 1
