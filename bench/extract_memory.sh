#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Measures the memory of extracting a 300 MB entry, stored and deflated, to a
# file and to a discarding device: prints VmRSS/VmHWM before and after.
#
#     bench/extract_memory.sh [BUILD_DIR] [SIZE_MB]
#
# Set KELVANE_INFLATE_BACKEND=zlib (or isal) to choose the back end.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
size_mb=${2:-300}

cmake -S bench/extract_memory -B "$build/extract_memory" -DCMAKE_BUILD_TYPE=Release \
    -DKELVANE_INFLATE_BACKEND="${KELVANE_INFLATE_BACKEND:-auto}" > /dev/null
cmake --build "$build/extract_memory" -j"$(nproc)" > /dev/null
program="$build/extract_memory/extract_memory"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Text that deflates to about a quarter, with enough variety to keep the
# inflater busy.
python3 - "$work/big.txt" "$size_mb" <<'PY'
import random, sys
random.seed(1)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 9))) for _ in range(4000)]
target = int(sys.argv[2]) * 1024 * 1024
with open(sys.argv[1], 'w') as f:
    written = 0
    while written < target:
        line = ' '.join(random.choice(words) for _ in range(12)) + '\n'
        f.write(line)
        written += len(line)
    f.truncate(target)
PY
(cd "$work" && zip -q -0 stored.zip big.txt && zip -q -6 deflated.zip big.txt)
ls -l "$work"/*.zip | awk '{print $5, $9}'

for archive in stored deflated; do
    for sink in folder --discard; do
        echo "== $archive, to ${sink#--}"
        if [ "$sink" = folder ]; then
            mkdir -p "$work/out"
            "$program" "$work/$archive.zip" big.txt "$work/out"
            cmp "$work/out/big.txt" "$work/big.txt" && echo "content: identical"
            rm -f "$work/out/big.txt"
        else
            "$program" "$work/$archive.zip" big.txt --discard
        fi
    done
done
