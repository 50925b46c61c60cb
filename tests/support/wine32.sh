#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine in the 32-bit stage's prefix (wine_env.sh); on a
# machine that runs no 32-bit programs, says so and exits with the status ctest takes for
# a skipped test.
# usage: wine32.sh PROGRAM [ARGS...]
source "$(dirname "$0")/wine_env.sh" win32
if ! wine_runs; then
  echo "skipped: this machine runs no 32-bit programs (its kernel's 32-bit emulation is off, or wine32 is missing)" >&2
  exit "$wine_skip_status"
fi
exec "${wine_loader[@]}" "$@"
