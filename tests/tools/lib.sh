# Shared by the end-to-end scripts: a scratch folder, clips from ffmpeg, and checks that
# say what went wrong.
set -euo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# clip SIZE PIXEL_FORMAT FRAMES: a testsrc2 clip as Y4M on standard output.
clip() {
  # testsrc2 rounds odd sizes down to even ones; the scaler brings them back.
  ffmpeg -v error -f lavfi -i "testsrc2=size=$1:rate=25,scale=${1/x/:}" -frames:v "$3" -pix_fmt "$2" \
    -strict -1 -f yuv4mpegpipe -
}

# probe FILE: "width,height,pix_fmt,frames" as ffmpeg reads it.
probe() {
  ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=width,height,pix_fmt,nb_read_frames -of csv=p=0 "$1"
}

# expect_status WANT MESSAGE_PART LABEL -- COMMAND...: runs COMMAND, checks its exit
# status and that its standard error holds MESSAGE_PART.
expect_status() {
  local want=$1 part=$2 label=$3
  shift 4
  local got=0
  "$@" >"$work/stdout" 2>"$work/stderr" || got=$?
  if [ "$got" -ne "$want" ]; then
    fail "$label: exit status $got, want $want ($(head -c 300 "$work/stderr"))"
  elif ! grep -qF -- "$part" "$work/stderr"; then
    fail "$label: message lacks '$part': $(head -c 300 "$work/stderr")"
  else
    echo "ok: $label: $(head -n 1 "$work/stderr")"
  fi
}

# skip_unless_runs RUNNER...: leaves with ctest's status for a skipped test when the runner
# (support/wine32.sh, wine64.sh) says this machine cannot run its programs.
skip_unless_runs() {
  [ "$#" -gt 0 ] || return 0
  local status=0
  "$@" --version >/dev/null 2>&1 || status=$?
  if [ "$status" -eq 77 ]; then
    echo "skipped: $* cannot run programs on this machine"
    exit 77
  fi
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
