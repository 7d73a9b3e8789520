#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

"""Packs samples/windows-lecture/ the way Russian Windows does it.

Compressed folders on a Russian Windows store names in the DOS code page
(CP866) without the UTF-8 flag, with backslashes between folders, from an
MS-DOS host, and the pages are Windows-1251 files whose references use
backslashes and whatever letter case their author typed. The files here
have plain names; the table below gives each its name in the package.

    python3 samples/make-windows-lecture.py OUTPUT.zip
"""

import os
import sys
import zipfile

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "windows-lecture")

# file here -> name in the package
NAMES = [
    ("index.html", "index.html"),
    ("ohm.html", "Занятия\\Закон Ома.html"),
    ("tasks.html", "Занятия\\Задачи.html"),
    ("pictures/circuit.png", "Рисунки\\Схема цепи.png"),
    ("pictures/graph.png", "Рисунки\\График.png"),
]


class WindowsEntry(zipfile.ZipInfo):
    """An entry whose name is written in CP866, without the UTF-8 flag."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp866"), self.flag_bits & ~0x800


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with zipfile.ZipFile(sys.argv[1], "w") as package:
        for source, name in NAMES:
            entry = WindowsEntry(name, date_time=(2024, 3, 4, 10, 30, 0))
            entry.create_system = 0          # MS-DOS
            entry.create_version = 20
            entry.external_attr = 0x20       # the archive attribute
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(HERE, source), "rb") as f:
                package.writestr(entry, f.read())


if __name__ == "__main__":
    main()
