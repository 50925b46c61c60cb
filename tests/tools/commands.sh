#!/usr/bin/env bash
# list and help read the module's own descriptors and buttons; settings that the module
# does not declare are refused with the valid choices.
# usage: commands.sh TESSARO
source "$(dirname "$0")/lib.sh"
tessaro=$1

"$tessaro" list >"$work/list"
for line in "Auto Level  (Auto Level 1.0 by Orun)" "Quillon Level  (Quillon Level 1.0 by Orun)" \
  "midRng   default    50  range 5..95" "gamB     default   100  range 1..100" \
  "Sync RGB default 1" "HELP     [button]"; do
  grep -qF -- "$line" "$work/list" || fail "list lacks '$line'"
done
[ "$(grep -c '\[button\]' "$work/list")" = 2 ] || fail "list marks $(grep -c '\[button\]' "$work/list") buttons, want 2"

"$tessaro" help "Auto Level" >"$work/help"
grep -qx "=Auto Level Adjustment=" "$work/help" || fail "Auto Level help not shown: $(head -c 200 "$work/help")"
"$tessaro" help "Quillon Level" >"$work/help"
grep -qx "=Quillon-like Color Level Adjustment=" "$work/help" || fail "Quillon Level help not shown"

clip 32x24 yuv420p 1 >"$work/in.y4m"
refuse() { expect_status 4 "$1" "$2" -- "$tessaro" apply "$work/in.y4m" "$work/out.y4m" --quiet "${@:3}"; }
refuse 'takes 5..95, not 200' "slider out of range" --filter "Auto Level" --set midRng=200
refuse 'takes 1..100, not 0' "gamma below range" --filter "Quillon Level" --move gamG=0
refuse 'unknown filter "Auto"; the module has "Auto Level", "Quillon Level"' "unknown filter" --filter Auto
refuse 'has no slider "mid"; its sliders are midRng (5..95), Skip (0..4080)' "unknown slider" \
  --filter "Auto Level" --set mid=5
refuse 'has no check box "Y"; its check boxes are Cb, Cr, RGB mode; buttons: HELP' "unknown check box" \
  --filter "Auto Level" --check Y=1
refuse '"HELP" of "Quillon Level" is a button, not a check box; its check boxes are Sync RGB' \
  "button as a check box" --filter "Quillon Level" --check HELP=1
refuse 'takes 0 or 1, not 2' "check value" --filter "Auto Level" --check Cb=2
expect_status 4 'unknown filter "None"' "help for an unknown filter" -- "$tessaro" help None
expect_status 2 "no command given" "no command" -- "$tessaro"
expect_status 3 "cannot load module" "missing module" -- "$tessaro" list --module "$work/none.so"
# A module computes frame by frame through its export: it has no measurements to smooth.
expect_status 2 "--smooth needs the filters built in" "smoothing a module" -- "$tessaro" apply \
  "$work/in.y4m" "$work/out.y4m" --filter "Auto Level" --smooth 3 --module "$(dirname "$tessaro")/Tessaro.so"
finish
