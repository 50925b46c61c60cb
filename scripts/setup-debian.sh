#!/usr/bin/env bash
# Installs what Tessaro needs on a Debian 12 machine, and only what is missing: nothing
# happens when every package is already there.
#   setup-debian.sh          building the native module and command-line host, and the demo
#   setup-debian.sh --tests  also everything the tests use: GoogleTest, Google Benchmark, the
#                            Windows cross compiler, 32-bit Wine, qemu, ffmpeg, clang for the
#                            sanitizer and fuzzing builds, the frei0r header with GStreamer and
#                            MLT for the frei0r effects' host tests, and dpkg-dev for the package
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
    clang libclang-rt-14-dev libomp-dev
    googletest libgtest-dev libbenchmark-dev
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    qemu-user
    wine wine32:i386
    ffmpeg
    frei0r-plugins-dev gstreamer1.0-tools gstreamer1.0-plugins-bad gstreamer1.0-plugins-good melt
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
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
