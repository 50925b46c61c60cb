#!/usr/bin/env bash
# Makes the Wine prefix ready before any Windows test starts. Programs that start Wine at the
# same moment on a prefix that does not exist yet race to create it, and one of them fails at
# random; so the prefix is created here, once, and every Wine test waits for this one.
set -uo pipefail
export WINEDEBUG=-all
# No installer prompts for the .NET and HTML engines, which no test needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
prefix="${WINEPREFIX:-$HOME/.wine}"
fail() {
  echo "Wine cannot start (prefix $prefix): $1" >&2
  echo "Install it with: bash scripts/setup-debian.sh --tests" >&2
  exit 1
}
command -v wine >/dev/null || fail "the wine command is not installed"
if ! log="$(wineboot --init 2>&1)"; then fail "wineboot failed: $log"; fi
# wineboot returns before the prefix is fully written; the server exits once it is.
wineserver -w
if ! log="$(wine cmd /c exit 0 2>&1)"; then fail "a first program did not run: $log"; fi
wineserver -w
echo "Wine prefix ready: $prefix"
