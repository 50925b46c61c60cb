#!/usr/bin/env bash
# The progress line appears on a terminal only: not with --quiet, not when standard error
# is a file or a pipe.
# usage: progress.sh TESSARO
source "$(dirname "$0")/lib.sh"
tessaro=$1
clip 64x48 yuv420p 12 >"$work/in.y4m"
on_terminal() { script -qec "$1" /dev/null </dev/null | tr '\r' '\n'; }

cmd="'$tessaro' apply '$work/in.y4m' '$work/out.y4m' --filter 'Auto Level'"
on_terminal "$cmd" >"$work/tty"
grep -qE '^tessaro: 12/12 frames, [0-9.]+ fps' "$work/tty" || fail "no progress line on a terminal: $(cat "$work/tty")"
on_terminal "$cmd --quiet" >"$work/quiet"
[ -s "$work/quiet" ] && fail "--quiet still prints: $(cat "$work/quiet")"
"$tessaro" apply "$work/in.y4m" "$work/out.y4m" --filter "Auto Level" 2>"$work/file"
[ -s "$work/file" ] && fail "progress written to a file: $(cat "$work/file")"
# From a pipe the total is unknown.
on_terminal "cat '$work/in.y4m' | $cmd" >/dev/null
on_terminal "'$tessaro' apply - '$work/out.y4m' --filter 'Auto Level' < '$work/in.y4m'" >"$work/pipe"
grep -qE '^tessaro: 12 frames, ' "$work/pipe" || fail "progress from a pipe: $(cat "$work/pipe")"
finish
