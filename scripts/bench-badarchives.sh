#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Times the reader on hostile input and prints the figures:
#   scripts/bench-badarchives.sh [BUILD_DIR]
# - a 64 MiB file that holds no end record: rejected after one backward pass,
#   compared with the time of one plain read of the file (cat);
# - a deflate bomb (1 GiB of zeros in about 1 MiB, recorded as 4 KiB): the
#   extraction stops after the first chunk.
# Uses kelvane-zip from BUILD_DIR (default: build), built when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -x "$dir/tools/kelvane-zip" ] || cmake --build "$dir" --target kelvane-zip >/dev/null
tool=$(cd "$dir/tools" && pwd)/kelvane-zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import os, random, struct, sys, zlib, binascii
work = sys.argv[1]
# 64 MiB of noise with every "PK" broken up, so no signature can appear.
rng = random.Random(64)
data = bytearray(rng.getrandbits(8) for _ in range(1 << 20)) * 64
data = bytes(data).replace(b"PK", b"Pk")
open(f"{work}/noend.bin", "wb").write(data)

# One fully flushed MiB of zeros repeated 1024 times, then the final block.
c = zlib.compressobj(9, zlib.DEFLATED, -15)
block = c.compress(b"\0" * (1 << 20)) + c.flush(zlib.Z_FULL_FLUSH)
stream = block * 1024 + c.flush(zlib.Z_FINISH)
name = b"bomb.bin"
crc = binascii.crc32(b"\0" * 4096)
local = struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, 0, 8, 0, 0, crc, len(stream), 4096, len(name), 0) + name
central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 20, 20, 0, 8, 0, 0, crc, len(stream), 4096,
                      len(name), 0, 0, 0, 0, 0, 0) + name
offset = len(local) + len(stream)
end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 1, 1, len(central), offset, 0)
open(f"{work}/bomb.zip", "wb").write(local + stream + central + end)
print(f"bomb.zip: {len(local + stream + central + end)} bytes, inflates to {1024} MiB, recorded 4096 bytes")
PY

seconds() {
    python3 -c 'import subprocess, sys, time
t = time.perf_counter()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(f"{time.perf_counter() - t:.3f}")' "$@"
}

sync
echo "64 MiB without an end record:"
echo "  cat (one read):        $(seconds cat "$work/noend.bin") s"
echo "  kelvane-zip list:      $(seconds "$tool" list "$work/noend.bin") s"
"$tool" list "$work/noend.bin" >/dev/null 2>&1 && echo "  UNEXPECTED: opened" || echo "  result: rejected (exit $?)"

echo "deflate bomb:"
echo "  kelvane-zip extract:   $(seconds "$tool" extract "$work/bomb.zip" -d "$work/out" -q) s"
echo "  files left: $(find "$work/out" -type f | wc -l), bytes in files: $(find "$work/out" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')"
