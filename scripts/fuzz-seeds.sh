#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Makes the seed corpora of the fuzz targets: scripts/fuzz-seeds.sh OUT_DIR
# Writes OUT_DIR/fuzz_unzip_device, OUT_DIR/fuzz_unzip_extract and
# OUT_DIR/fuzz_deletedir. The archives are small ones made by Info-ZIP zip
# (plain, encrypted, streamed with data descriptors, ZIP64 records with -fz,
# also written to a pipe, bzip2), 7-Zip (plain, encrypted with the
# traditional cipher and AES, bzip2, LZMA, xz), bsdtar (also with ZIP64
# records, and AES) and Python's zipfile (names that lead out of the target or
# through the links the extraction fuzzer plants in its target, comments,
# UTF-8 names, ZIP64 extra blocks, Unicode Path and Comment blocks, names
# with backslashes from a Windows host, a folder marked by its MS-DOS
# attribute, bzip2, LZMA, a Zstandard frame from the zstd tool in records
# written by hand), and archives with a stub in front. The password of every
# encrypted seed is "kelvane", the one the fuzz targets try.
set -euo pipefail
out=${1:?usage: fuzz-seeds.sh OUT_DIR}
for tool in zip 7z bsdtar python3 zstd; do
    command -v "$tool" >/dev/null || { echo "fuzz-seeds.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

src="$work/src"
mkdir -p "$src/img" "$src/docs/empty"
printf 'Hello, lecture.\n' > "$src/index.html"
printf 'a picture\n' > "$src/img/a.png"
seq 1 300 > "$src/docs/numbers.txt"
: > "$src/empty.txt"

zips="$work/zips"
mkdir -p "$zips"
(
    cd "$src"
    zip -qr "$zips/infozip.zip" .
    zip -qr -0 "$zips/infozip-stored.zip" .
    zip -qr -P kelvane "$zips/infozip-encrypted.zip" .
    zip -qr -P kelvane -0 "$zips/infozip-encrypted-stored.zip" index.html img
    zip -qr -z "$zips/infozip-comment.zip" index.html <<< "an archive comment"
    # Streamed to standard output: every entry gets a data descriptor.
    zip -qr - index.html docs > "$zips/infozip-streamed.zip"
    cat index.html | zip -q - - > "$zips/infozip-stdin.zip"
    # ZIP64 records, forced; to a pipe the end record keeps the placeholder
    # offset and no ZIP64 end record is written.
    zip -qr -fz "$zips/infozip-zip64.zip" index.html img
    zip -qr -fz - index.html docs > "$zips/infozip-zip64-streamed.zip"
    cat index.html | zip -q -fz - - > "$zips/infozip-zip64-stdin.zip"
    # A stub in front, joined with cat: the stored offsets do not count it.
    { printf '#!/bin/sh\nexit 0\n'; cat "$zips/infozip.zip"; } > "$zips/stub-infozip.zip"
    { printf 'MZ stub'; cat "$zips/infozip-zip64.zip"; } > "$zips/stub-infozip-zip64.zip"
    7z a -tzip -bso0 -bsp0 "$zips/7z.zip" . >/dev/null
    7z a -tzip -bso0 -bsp0 -pkelvane "$zips/7z-encrypted.zip" index.html img >/dev/null
    7z a -tzip -bso0 -bsp0 -mm=BZip2 "$zips/7z-bzip2.zip" . >/dev/null
    7z a -tzip -bso0 -bsp0 -mm=LZMA "$zips/7z-lzma.zip" . >/dev/null
    7z a -tzip -bso0 -bsp0 -mm=XZ "$zips/7z-xz.zip" index.html docs >/dev/null
    7z a -tzip -bso0 -bsp0 -mem=AES256 -pkelvane "$zips/7z-aes256.zip" . >/dev/null
    7z a -tzip -bso0 -bsp0 -mm=LZMA -mem=AES128 -pkelvane "$zips/7z-aes128-lzma.zip" index.html docs >/dev/null
    zip -qr -Z bzip2 "$zips/infozip-bzip2.zip" .
    bsdtar --format zip --options zip:encryption=aes256 --passphrase kelvane -cf "$zips/bsdtar-aes256.zip" index.html img
    bsdtar --format zip -cf "$zips/bsdtar.zip" .
    bsdtar --format zip --options zip:compression=store -cf "$zips/bsdtar-stored.zip" index.html img
    bsdtar --format zip --options zip:zip64 -cf "$zips/bsdtar-zip64.zip" index.html img
)

python3 - "$zips" <<'PY'
import struct, sys, zipfile, zlib
d = sys.argv[1]

def make(name, entries, comment=b"", method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(f"{d}/{name}", "w", method) as z:
        z.comment = comment
        for n, data in entries:
            info = zipfile.ZipInfo(n, date_time=(2020, 5, 17, 10, 30, 0))
            info.compress_type = method
            z.writestr(info, data)

make("python-deflated.zip", [("index.html", b"<p>page</p>" * 20), ("img/", b""), ("img/b.png", b"png")])
make("python-stored.zip", [("a.txt", b"aaaa"), ("dir/b.txt", b"bbbb")], method=zipfile.ZIP_STORED)
make("python-utf8.zip", [("\u043b\u0435\u043a\u0446\u0438\u044f/\u0444.txt", b"utf8 name")])
make("python-comment.zip", [("c.txt", b"c")], comment=b"PK\x05\x06 fake end record in the comment")
make("python-climb.zip", [("../escape.txt", b"x"), ("a/../../escape2.txt", b"y"), ("/abs.txt", b"z"),
                          ("./.", b""), ("..", b""), ("ok.txt", b"ok")], method=zipfile.ZIP_STORED)
make("python-links.zip", [("up/evil.txt", b"through a relative link"), ("abs/evil.txt", b"through an absolute link"),
                          ("inner/fine.txt", b"inside"), ("file", b"over a link to a file"),
                          ("up/", b""), ("abs/new/", b"")], method=zipfile.ZIP_STORED)
make("python-backslash.zip", [("c:\\windows\\evil.txt", b"x"), ("dir\\..\\..\\evil.txt", b"y")], method=zipfile.ZIP_STORED)
make("python-deep.zip", [("d/" * 200 + "deep.txt", b"deep")], method=zipfile.ZIP_STORED)
make("python-empty.zip", [])

# ZIP64 extra blocks on every entry.
with zipfile.ZipFile(f"{d}/python-zip64.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for n, data in [("a.txt", b"zip64 " * 50), ("dir/b.txt", b"b")]:
        with z.open(zipfile.ZipInfo(n, date_time=(2020, 5, 17, 10, 30, 0)), "w", force_zip64=True) as f:
            f.write(data)

def unicode_block(header_id, stored, text):
    body = b"\x01" + struct.pack("<I", zlib.crc32(stored)) + text.encode("utf-8")
    return struct.pack("<HH", header_id, len(body)) + body

# Windows names as Windows tools store them (zipfile would store these
# names as UTF-8): CP866 bytes from an MS-DOS host with Unicode Path and
# Comment blocks, backslashes between folders, a folder marked only by its
# attribute. Stored entries, records packed here.
def raw_archive(path, entries):
    local, central = b"", b""
    for name, data, attributes, extra, comment in entries:
        crc = zlib.crc32(data)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 20, 20, 0, 0, 0x5000, 0x50b1, crc,
                               len(data), len(data), len(name), len(extra), len(comment), 0, 0, attributes,
                               len(local)) + name + extra + comment
        local += struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, 0, 0, 0x5000, 0x50b1, crc, len(data), len(data),
                             len(name), len(extra)) + name + extra + data
    end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, len(entries), len(entries), len(central), len(local), 0)
    open(path, "wb").write(local + central + end)

comment = "\u043a\u043e\u043c".encode("cp866")
entries = []
for name, data, attributes in [("\u041b\u0435\u043a\u0446\u0438\u044f\\\u0444.txt", b"cp866", 0x20),
                               ("img\\pic.png", b"png", 0x20), ("old", b"", 0x10), ("old\\x.txt", b"x", 0x20),
                               ("..\\..\\evil.txt", b"evil", 0x20)]:
    stored = name.encode("cp866")
    extra = unicode_block(0x7075, stored, name) + unicode_block(0x6375, comment, "\u043a\u043e\u043c")
    entries.append((stored, data, attributes, extra, comment))
raw_archive(f"{d}/windows-names.zip", entries)
make("python-bzip2.zip", [("index.html", b"<p>page</p>" * 40), ("b.txt", b"b")], method=zipfile.ZIP_BZIP2)
make("python-lzma.zip", [("index.html", b"<p>page</p>" * 40), ("b.txt", b"b")], method=zipfile.ZIP_LZMA)

# A Zstandard entry (method 93): no archiver at hand writes one, so the
# records are put together here around a frame from the zstd tool.
import subprocess
content = b"<p>zstandard page</p>\n" * 30
frame = subprocess.run(["zstd", "-q", "-c", "-19"], input=content, capture_output=True, check=True).stdout
name = b"index.html"
crc = zlib.crc32(content)
local = struct.pack("<IHHHHHIIIHH", 0x04034b50, 63, 0, 93, 0x6000, 0x4a21, crc, len(frame), len(content),
                    len(name), 0) + name
central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 63, 63, 0, 93, 0x6000, 0x4a21, crc, len(frame),
                      len(content), len(name), 0, 0, 0, 0, 0, 0) + name
end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 1, 1, len(central), len(local) + len(frame), 0)
open(f"{d}/python-zstd.zip", "wb").write(local + frame + central + end)
PY

mkdir -p "$out/fuzz_unzip_device" "$out/fuzz_unzip_extract" "$out/fuzz_deletedir"
for f in "$zips"/*.zip; do
    cp "$f" "$out/fuzz_unzip_device/"
    cp "$f" "$out/fuzz_unzip_extract/"
done

# Tree descriptions for the removal fuzzer: a mode byte, then pairs of an
# operation and an argument byte (see fuzz/fuzz_deletedir.cpp).
python3 - "$out/fuzz_deletedir" <<'PY'
import sys, random
d = sys.argv[1]
rng = random.Random(6)
open(f"{d}/empty-tree", "wb").write(b"\x00")
open(f"{d}/tree-is-link", "wb").write(b"\x07")
open(f"{d}/every-kind", "wb").write(bytes([0] + [x for op in range(12) for x in (op, 0)]))
for i in range(8):
    open(f"{d}/random-{i}", "wb").write(bytes([0] + [rng.randrange(256) for _ in range(2 * rng.randrange(4, 60))]))
PY

echo "seeds: $(ls "$out/fuzz_unzip_device" | wc -l) archives, $(ls "$out/fuzz_deletedir" | wc -l) trees in $out"
