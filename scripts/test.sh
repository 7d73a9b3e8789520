#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen

bash scripts/build.sh build
(cd build && ctest --output-on-failure -j"$(nproc)")

# The same suite on the reference zlib inflate back end; the player and the
# viewer do not depend on it, so they are left out of this second tree.
bash scripts/build.sh build-zlib -DKELVANE_INFLATE_BACKEND=zlib -DKELVANE_BUILD_PLAYER=OFF
(cd build-zlib && ctest --output-on-failure -j"$(nproc)")
