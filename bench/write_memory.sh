#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Measures the memory of writing a 300 MB file into an archive, stored,
# deflated and encrypted, by the serial writer and in the parallel mode with
# 2 and 8 threads (and a 300 MB file of random bytes in the parallel mode):
# prints VmRSS/VmHWM before and after, then checks the archive with Info-ZIP
# unzip -t.
#
#     bench/write_memory.sh [BUILD_DIR] [SIZE_MB]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
size_mb=${2:-300}

cmake -S bench/write_memory -B "$build/write_memory" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build/write_memory" -j"$(nproc)" > /dev/null
program="$build/write_memory/write_memory"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"

# Text that deflates to about a quarter.
python3 - "$work/in/big.txt" "$size_mb" <<'PY'
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
ls -l "$work/in/big.txt" | awk '{print $5, "bytes of input"}'

run() {
    local name=$1 level=$2 password=${3:-}
    echo "== $name${threads:+, $threads threads}"
    "$program" -j "${threads:-0}" "$work/$name.zip" "$work/in" "$level" $password
    if [ -n "$password" ]; then
        unzip -tq -P "$password" "$work/$name.zip"
    else
        unzip -tq "$work/$name.zip"
    fi
    rm -f "$work/$name.zip"
}

run stored 0
run deflated-level5 10
run deflated-level9 9
run stored-encrypted 0 pw
run deflated-encrypted 10 pw

for threads in 2 8; do
    run deflated-level9 9
    run deflated-encrypted 10 pw
done

# Incompressible data: stored blocks inside the deflate stream.
rm "$work/in/big.txt"
head -c $((size_mb * 1024 * 1024)) /dev/urandom > "$work/in/random.bin"
for threads in 2 8; do
    run random-level9 9
done
