#!/usr/bin/env bash
# Installs what is missing, builds Tarnwick with its tests, checks what an
# install holds, and runs the tests.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-packages.sh"
build="${TARNWICK_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${TARNWICK_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
# What an install and the Debian package hold, and that the desktop entry
# and the metainfo are valid.
bash "$top/scripts/check-install.sh" "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
