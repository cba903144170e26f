#!/usr/bin/env bash
# Runs one fuzz target for a bounded time over its seed corpus; a crash, leak
# or sanitizer report fails the test and leaves the input in the work folder.
# A dictionary tests/fuzz/<name>.dict beside the seeds' folder is used when present.
set -euo pipefail
target=$1 work=$2 seeds=$3 seconds=$4
mkdir -p "$work/corpus" "$work/artifacts"
dict=()
dictionary="$(dirname "$seeds")/../$(basename "$seeds").dict"
[ -f "$dictionary" ] && dict=(-dict="$dictionary")
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "${dict[@]}" -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
