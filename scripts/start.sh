#!/usr/bin/env bash
# Installs what is missing, builds Tarnwick, and starts the window.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-packages.sh"
build="${TARNWICK_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
exec "$build/src/ui/tarnwick"
