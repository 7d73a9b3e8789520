#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Makes the seed corpora of the fuzz targets: scripts/fuzz-seeds.sh OUT_DIR
# Writes OUT_DIR/fuzz_unzip_device, OUT_DIR/fuzz_unzip_extract and
# OUT_DIR/fuzz_deletedir. The archives are small ones made by Info-ZIP zip
# (plain, encrypted, streamed with data descriptors), 7-Zip (plain and
# encrypted), bsdtar and Python's zipfile (names that lead out of the target
# or through the links the extraction fuzzer plants in its target, comments,
# UTF-8 names). The password of every encrypted seed is "kelvane", the one the
# fuzz targets try.
set -euo pipefail
out=${1:?usage: fuzz-seeds.sh OUT_DIR}
for tool in zip 7z bsdtar python3; do
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
    7z a -tzip -bso0 -bsp0 "$zips/7z.zip" . >/dev/null
    7z a -tzip -bso0 -bsp0 -pkelvane "$zips/7z-encrypted.zip" index.html img >/dev/null
    bsdtar --format zip -cf "$zips/bsdtar.zip" .
    bsdtar --format zip --options zip:compression=store -cf "$zips/bsdtar-stored.zip" index.html img
)

python3 - "$zips" <<'PY'
import sys, zipfile
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
