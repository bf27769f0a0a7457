#!/usr/bin/env bash
# Installs what is missing, builds Tarnwick without its tests and makes the
# Debian package build-package/tarnwick_<version>_<arch>.deb. Install it
# with: apt-get install ./build-package/tarnwick_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-packages.sh"
build="${TARNWICK_PACKAGE_DIR:-$top/build-package}"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_TESTS=OFF
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
