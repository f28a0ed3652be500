#!/usr/bin/env bash
# Counts pathfind's instructions with callgrind (deterministic, unlike timing): one missing name
# over a one-entry PATH against an empty C program, and the cost of each further PATH entry.
# Usage: bench/pathfind_cost.sh [path/to/pathfind]   (default: the release build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
pathfind=$(realpath "${1:-build/release/pathfind/pathfind}")
valgrind=$(command -v valgrind)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf 'int main(void){return 0;}\n' >"$work/empty.c"
gcc -O2 -o "$work/empty" "$work/empty.c"

# Instructions executed by "$@" in an environment holding only PATH=$search_path.
instructions() {
  local search_path=$1
  shift
  env -i PATH="$search_path" "$valgrind" --tool=callgrind --callgrind-out-file="$work/out" \
    "$@" >/dev/null 2>&1 || true
  awk '/^summary:/ {print $2}' "$work/out"
}

entries() {  # N distinct missing directories joined with ":"
  local n=$1 i list=""
  for ((i = 0; i < n; i++)); do list+="${list:+:}/nonexistent/dir$i"; done
  printf '%s' "$list"
}

empty=$(instructions /nonexistent/dir0 "$work/empty")
one=$(instructions "$(entries 1)" "$pathfind" missing-name)
many=$(instructions "$(entries 1001)" "$pathfind" missing-name)

awk -v empty="$empty" -v one="$one" -v many="$many" 'BEGIN {
  printf "empty C program:                 %d instructions\n", empty
  printf "pathfind, one entry, not found:  %d instructions (%.3fx the empty program; target <= 1.1x)\n", one, one / empty
  printf "pathfind, 1001 entries:          %d instructions\n", many
  printf "each further PATH entry:         %.1f instructions (target <= 120)\n", (many - one) / 1000
}'
