#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Runs one fuzz target for a given time: scripts/fuzz-long.sh TARGET SECONDS [BUILD_DIR]
# TARGET is fuzz_unzip_device, fuzz_unzip_extract or fuzz_deletedir. The
# fuzz build (clang, KELVANE_FUZZ=ON) is configured and built in BUILD_DIR
# (default build-fuzz) when needed; seeds come from scripts/fuzz-seeds.sh.
# The growing corpus stays in BUILD_DIR/corpus/TARGET, so runs add up; the
# corpus kept in the repository (fuzz/corpus/TARGET) is read as well;
# findings land in BUILD_DIR/findings/TARGET, the log in BUILD_DIR/logs.
# Exits non-zero when the target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: fuzz-long.sh TARGET SECONDS [BUILD_DIR]}
seconds=${2:?usage: fuzz-long.sh TARGET SECONDS [BUILD_DIR]}
dir=${3:-build-fuzz}

case "$target" in
    fuzz_unzip_device|fuzz_unzip_extract) max_len=32768; dict=(-dict=fuzz/zip.dict) ;;
    fuzz_deletedir) max_len=1024; dict=() ;;
    *) echo "fuzz-long.sh: unknown target $target" >&2; exit 2 ;;
esac

if [ ! -x "$dir/fuzz/$target" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_FUZZ=ON \
        -DKELVANE_BUILD_PLAYER=OFF -DKELVANE_BUILD_TOOLS=OFF -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$dir" -j"$(nproc)" --target "$target" >/dev/null
[ -d "$dir/seeds/$target" ] || bash scripts/fuzz-seeds.sh "$dir/seeds" >/dev/null

corpus="$dir/corpus/$target"
findings="$dir/findings/$target"
logs="$dir/logs"
# The extraction targets create and remove files for every input: on tmpfs
# that is many times faster than on disk (FUZZ_TMP overrides the place).
tmp_base=${FUZZ_TMP:-}
if [ -z "$tmp_base" ]; then
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then tmp_base=/dev/shm/kelvane-fuzz-$(id -u); else tmp_base="$dir/tmp"; fi
fi
tmp="$tmp_base/$target"
mkdir -p "$corpus" "$findings" "$logs" "$tmp"
log="$logs/$target-$(date +%Y%m%d-%H%M%S).log"

# The extraction targets write below TMPDIR: a private one keeps their
# leftovers (after a finding) out of everybody else's way.
# A unit slower than the timeout counts as a finding (a hang); the limit
# leaves room for a machine that is busy with other work meanwhile.
status=0
TMPDIR=$(cd "$tmp" && pwd) "$dir/fuzz/$target" "$corpus" "$dir/seeds/$target" "fuzz/corpus/$target" "${dict[@]}" \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=60 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 > "$log" 2>&1 || status=$?

# The figures for the record: executions, rate, corpus size.
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" || true
echo "corpus: $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KiB; log: $log"
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz-long.sh: $target stopped with status $status; see $log and $findings" >&2
fi
exit "$status"
