#!/usr/bin/env bash
# Runs one fuzz target for a bounded time over its seed corpus; a crash, leak
# or sanitizer report fails the test and leaves the input in the work folder.
set -euo pipefail
target=$1 work=$2 seeds=$3 seconds=$4
mkdir -p "$work/corpus" "$work/artifacts"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
