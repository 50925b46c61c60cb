#!/usr/bin/env bash
# Makes a stage's Wine prefix ready before any of its Windows tests starts. Programs that start
# Wine at the same moment on a prefix that does not exist yet race to create it, and one of them
# fails at random; so the prefix is created here, once, and every Wine test waits for this one.
# usage: wine_prefix.sh [win32|win64]   (the stage's architecture; wine_env.sh names its prefix)
set -uo pipefail
arch=${1:-win32}
source "$(dirname "$0")/wine_env.sh" "$arch"
export WINEDEBUG=-all
# No installer prompts for the .NET and HTML engines, which no test needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
prefix=$WINEPREFIX
fail() {
  echo "Wine cannot start (prefix $prefix): $1" >&2
  echo "Install it with: bash scripts/setup-debian.sh --tests" >&2
  exit 1
}
command -v wine >/dev/null || fail "the wine command is not installed"
if ! wine_runs; then
  echo "skipped: this machine runs no $arch programs under Wine (for 32 bits, the kernel's 32-bit emulation must be on and wine32 installed)" >&2
  exit "$wine_skip_status"
fi
# Only a new prefix takes the architecture; Wine refuses WINEARCH that differs from an old one's.
# The 32-bit stage makes a 32-bit prefix, whatever Wine would choose by default.
new=0
if [ ! -e "$prefix/system.reg" ]; then
  new=1
  export WINEARCH=$arch
fi
if ! log="$("${wine_loader[@]}" wineboot --init 2>&1)"; then fail "wineboot failed: $log"; fi
unset WINEARCH
# wineboot returns before the prefix is fully written; the server exits once it is.
wineserver -w
if [ "$arch" = win64 ] && ! grep -q '^#arch=win64' "$prefix/system.reg"; then
  fail "it is a 32-bit prefix, which cannot run 64-bit programs; remove it or set TESSARO_WINE64_PREFIX"
fi
if ! log="$("${wine_loader[@]}" cmd /c exit 0 2>&1)"; then fail "a first program did not run: $log"; fi
wineserver -w
echo "Wine prefix ready ($arch, $([ "$new" = 1 ] && echo new || echo existing)): $prefix"
