#!/usr/bin/env bash
# Runs each fuzz target from its committed seed corpus for a bounded time and fails on any
# finding. New inputs go to a scratch corpus; crashing inputs are kept in fuzz/findings/.
# Usage: fuzz/run.sh [seconds per target, default 30]   (after `cmake --workflow --preset fuzz`)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-30}
findings=fuzz/findings
mkdir -p "$findings"

for name in decode round_trip message_walk message_round_trip stream recursive schema notation; do
  scratch=$(mktemp -d)
  log=$(mktemp)
  echo "== fuzz $name for ${seconds}s"
  status=0
  # A memory limit, so that a huge allocation from a hostile count is a finding.
  "build/fuzz/fuzz/morsel_fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
    -rss_limit_mb=1024 -malloc_limit_mb=64 \
    -dict=fuzz/morsel.dict -artifact_prefix="$findings/$name-" \
    "$scratch" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)|^Done' "$log" || true
  if ((status != 0)); then
    tail -n 60 "$log"
    echo "fuzz target $name found a failure; its input is in $findings/" >&2
    exit "$status"
  fi
  rm -rf "$scratch" "$log"
done
