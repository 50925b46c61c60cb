#!/usr/bin/env bash
# --move is a slider movement in the editor: with "Sync RGB" on, the filter's settings-
# changed callback copies the value to the other channels and asks for a window refresh.
# usage: sync_rgb.sh TESSARO
source "$(dirname "$0")/lib.sh"
tessaro=$1
clip 64x48 yuv420p 2 >"$work/in.y4m"
run() { "$tessaro" apply "$work/in.y4m" "$work/$1.y4m" --quiet --show-settings --filter "Quillon Level" "${@:2}" 2>"$work/$1.log"; }
has() { grep -qF -- "$2" "$work/$1.log" || fail "$1: settings lack '$2': $(cat "$work/$1.log")"; }

run on --move Ri-Hi=2000 --move gamB=50
has on "Ri-Hi=2000"; has on "Gi-Hi=2000"; has on "Bi-Hi=2000"
has on "gamR=50 gamG=50 gamB=50"; has on "window refreshes requested: 2"
run off --check "Sync RGB=0" --move Ri-Hi=2000 --move gamB=50
has off "Ri-Hi=2000"; has off "Gi-Hi=4080"; has off "Bi-Hi=4080"
has off "gamR=100 gamG=100 gamB=50"; has off "window refreshes requested: 0"
# --set is no movement: nothing is copied.
run set --set Ri-Hi=2000
has set "Gi-Hi=4080"; has set "window refreshes requested: 0"

run on_by_hand --check "Sync RGB=0" --set Ri-Hi=2000 --set Gi-Hi=2000 --set Bi-Hi=2000 \
  --set gamR=50 --set gamG=50 --set gamB=50
run off_by_hand --check "Sync RGB=0" --set Ri-Hi=2000 --set gamB=50
cmp -s "$work/on.y4m" "$work/on_by_hand.y4m" || fail "synchronised movement differs from setting all channels"
cmp -s "$work/off.y4m" "$work/off_by_hand.y4m" || fail "unsynchronised movement differs from setting one channel"
cmp -s "$work/on.y4m" "$work/off.y4m" && fail "Sync RGB on and off give the same frames"
finish
