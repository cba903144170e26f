#!/usr/bin/env bash
# Profiles the options file reader and the variable expansion natively under
# callgrind and prints the functions that cost most. Called by
# scripts/bench --profile [LINES [VARIABLES]] after the build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lines=${1:-2000}
variables=${2:-200}
out=$root/build/bench/callgrind.out
mkdir -p "$root/build/bench"
"$root/build/native/bench/expansion_profile" "$lines" "$variables" 1
valgrind --tool=callgrind --callgrind-out-file="$out" \
    "$root/build/native/bench/expansion_profile" "$lines" "$variables" 1 2>/dev/null
callgrind_annotate --inclusive=no "$out" 2>/dev/null | sed -n '/^Ir/,$p' | head -25 | cut -c1-160
echo "full profile: $out (callgrind_annotate, kcachegrind)"
