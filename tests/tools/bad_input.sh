#!/usr/bin/env bash
# Bad input: a clear message naming the problem and the frame, the documented exit
# status, and every frame before the fault written intact.
# usage: bad_input.sh TESSARO
source "$(dirname "$0")/lib.sh"
tessaro=$1
apply() { "$tessaro" apply "$@" --quiet --filter "Auto Level"; }

clip 64x48 yuv420p 4 >"$work/good.y4m"
clip 32x48 yuv420p 2 >"$work/narrow.y4m"
header=$(($(head -n 1 "$work/good.y4m" | wc -c)))
frame=$((6 + 64 * 48 * 3 / 2))
apply "$work/good.y4m" "$work/full.y4m"

# prefix_of_full FILE FRAMES: FILE holds exactly the first FRAMES frames of the good result.
prefix_of_full() {
  local size=$((header + $2 * frame))
  if [ "$(stat -c %s "$1")" -ne "$size" ] || ! cmp -s -n "$size" "$1" "$work/full.y4m"; then
    fail "$1: not the first $2 frame(s) of the result"
  fi
}

head -c $((header + 2 * frame + 100)) "$work/good.y4m" >"$work/cut.y4m"
expect_status 5 "frame 3: truncated: 94 of 4608 bytes" "truncated in frame 3" -- \
  apply "$work/cut.y4m" "$work/out.y4m"
prefix_of_full "$work/out.y4m" 2

# Frame 2 one byte short: its data runs into the next frame header, so frame 2 is refused.
{ head -c $((header + 2 * frame - 1)) "$work/good.y4m"; tail -c +$((header + 2 * frame + 1)) "$work/good.y4m"; } \
  >"$work/short.y4m"
expect_status 5 "frame 2: data does not match the frame size" "frame 2 a byte short" -- \
  apply "$work/short.y4m" "$work/out.y4m"
prefix_of_full "$work/out.y4m" 1

{ head -c $((header + 2 * frame)) "$work/good.y4m"; cat "$work/narrow.y4m"; } >"$work/sizes.y4m"
expect_status 5 "frame 3: the stream changes to frames of another size" "frame of another size" -- \
  apply "$work/sizes.y4m" "$work/out.y4m"
prefix_of_full "$work/out.y4m" 2

# The same through pipes, as ffmpeg would feed it.
expect_status 5 "standard input: frame 3: truncated" "truncated on standard input" -- \
  bash -c '"$1" apply - - --quiet --filter "Auto Level" <"$2" >"$3"' _ "$tessaro" "$work/cut.y4m" "$work/out.y4m"
prefix_of_full "$work/out.y4m" 2

sed '1s/ H48 / H4x8 /' "$work/good.y4m" >"$work/header.y4m"
expect_status 5 "malformed header: height '4x8'" "malformed header" -- apply "$work/header.y4m" "$work/out.y4m"
printf 'YUV4MPEG2 W64 H48' >"$work/noline.y4m"
expect_status 5 "truncated stream header" "truncated header" -- apply "$work/noline.y4m" "$work/out.y4m"
clip 64x48 yuv411p 1 >"$work/411.y4m"
expect_status 6 "unsupported colour space C411" "4:1:1" -- apply "$work/411.y4m" "$work/out.y4m"
expect_status 5 "not a Y4M stream" "empty standard input" -- \
  bash -c '"$1" apply - - --quiet </dev/null' _ "$tessaro"

ffmpeg -v error -f lavfi -i testsrc2=size=64x48 -frames:v 1 "$work/good.png"
head -c 300 "$work/good.png" >"$work/cut.png"
rm -f "$work/out.png"
expect_status 5 "cut.png: unreadable PNG" "truncated PNG" -- apply "$work/cut.png" "$work/out.png"
[ -e "$work/out.png" ] && fail "a PNG was written for an unreadable input"
expect_status 5 "missing.png: cannot open" "missing file" -- apply "$work/missing.png" "$work/out.png"
expect_status 7 "cannot create" "output folder missing" -- apply "$work/good.y4m" "$work/no/such/out.y4m"
expect_status 2 "same kind as INPUT" "PNG into Y4M" -- apply "$work/good.png" "$work/out.y4m"
finish
