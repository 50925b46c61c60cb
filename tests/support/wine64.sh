#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine in the 64-bit stage's own prefix (wine_env.sh).
# usage: wine64.sh PROGRAM [ARGS...]
source "$(dirname "$0")/wine_env.sh" win64
exec "${wine_loader[@]}" "$@"
