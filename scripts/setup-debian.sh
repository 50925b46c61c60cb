#!/usr/bin/env bash
# Installs what building and testing Tessaro needs on a Debian 12 machine.
# Does nothing when every package is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang-format
  clang libclang-rt-14-dev libomp-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  qemu-user
  wine wine32:i386
  ffmpeg libstb-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
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
