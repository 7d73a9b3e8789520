#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen

# Every file carries its copyright and licence.
reuse lint

bash scripts/build.sh build
(cd build && ctest --output-on-failure -j"$(nproc)")

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
bash scripts/build.sh build-asan -DKELVANE_SANITIZE=ON
(
    cd build-asan
    export ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1
    export LSAN_OPTIONS=suppressions=$PWD/../scripts/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --output-on-failure -j"$(nproc)"
)

# Short fuzz runs, about a minute per target (clang + libFuzzer).
for target in fuzz_unzip_device fuzz_unzip_extract fuzz_deletedir; do
    bash scripts/fuzz-long.sh "$target" 60
done

# The same suite on the reference zlib inflate back end; the player and the
# viewer do not depend on it, so they are left out of this second tree.
bash scripts/build.sh build-zlib -DKELVANE_INFLATE_BACKEND=zlib -DKELVANE_BUILD_PLAYER=OFF
(cd build-zlib && ctest --output-on-failure -j"$(nproc)")
