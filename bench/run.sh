#!/usr/bin/env bash
# Builds the benchmark programs and measures Tarnwick against find and cp.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${TARNWICK_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tarnwick-cli window_bench copy_calls_bench -j"$(nproc)"
exec python3 "$top/bench/run_bench.py" --build "$build" "$@"
