#!/usr/bin/env bash
# The folders of src/ include each other one way only: host -> filters (autolevel, levels) ->
# pipeline -> parallel and primitives; no filter includes the other. Prints the graph found.
# usage: include_graph.sh SRC_DIR
set -uo pipefail
src=$1
declare -A allowed=(
  [host]="autolevel levels pipeline parallel primitives"
  [autolevel]="pipeline parallel primitives"
  [levels]="pipeline parallel primitives"
  [pipeline]="parallel primitives"
  [parallel]=""
  [primitives]=""
)
failures=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "FAIL: src/$folder is not a known subsystem"
    failures=$((failures + 1))
    continue
  fi
  # Every "folder/file.h" a file of this folder includes, by folder.
  used=$(grep -ho '^#include "[a-z_]*/' "$dir"* 2>/dev/null | sed 's/#include "//; s|/$||' | sort -u)
  edges=()
  for to in $used; do
    [ "$to" = "$folder" ] && continue
    edges+=("$to")
    if ! grep -qw "$to" <<<"${allowed[$folder]}"; then
      echo "FAIL: src/$folder includes src/$to:"
      grep -n "^#include \"$to/" "$dir"* | sed 's/^/  /'
      failures=$((failures + 1))
    fi
  done
  echo "$folder -> ${edges[*]:-(nothing)}"
done
[ "$failures" -eq 0 ] || exit 1
