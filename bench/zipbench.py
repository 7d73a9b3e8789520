#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

"""Side-by-side benchmark of kelvane-zip and the established ZIP tools.

Makes a deterministic corpus (seeded generator) outside the repository
(/dev/shm/kelvane-bench, a RAM disk, unless --corpus says otherwise), then
times every operation with kelvane-zip (each build given with --ours, e.g.
the ISA-L and the zlib back end) and with the peers in the same run:
Info-ZIP zip/unzip, bsdtar, 7z (with its default threads and with one) and
Python's zipfile, and pigz (-K, a ZIP file) for creation from one big file.
Extraction and testing are measured with ours serially (-j 0) and on 1 and 2
threads, every tool once per round (round-robin), so that the load of a
shared machine falls on all of them alike. Creation is measured at level 9, level 6 and by file type, ours
serially (-j 0) and in the parallel mode with 1 and 2 threads (and one per
core when the machine has more), with the archive's size against the serial
writer's.
Prints, per workload and operation, the median wall time of N runs, the
throughput, the peak resident memory (GNU time), and the ratio of ours to
the best peer, and writes the whole report as Markdown (bench/RESULTS.md).

    python3 bench/zipbench.py \\
        --ours isal=build-tools/tools/kelvane-zip \\
        --ours zlib=build-tools-zlib/tools/kelvane-zip

Not part of the test suite; it runs for some minutes.
"""

import argparse
import datetime
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import time

PASSWORD = "bench-secret"
# The machine's load when the run began: other work disturbs every figure.
LOAD_AT_START = os.getloadavg()
CORPUS_VERSION = "4"
MB = 1024 * 1024

# Suffixes that the writer stores when it chooses by file type.
STORED_SUFFIXES = ["png", "jpg", "jpeg", "mp3", "ogg", "ogm", "avi", "mov", "rm", "ra",
                   "zip", "rar", "bz2", "gz", "7z", "z", "jar"]

PYTHON_EXTRACT = """
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    if len(sys.argv) > 3:
        z.setpassword(sys.argv[3].encode())
    z.extractall(sys.argv[2])
"""
PYTHON_TEST = """
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    if len(sys.argv) > 2:
        z.setpassword(sys.argv[2].encode())
    bad = z.testzip()
sys.exit(1 if bad else 0)
"""
PYTHON_LIST = """
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    sys.stdout.write("".join(n + "\\n" for n in z.namelist()))
"""
PYTHON_CREATE = """
import os, sys, zipfile
out, folder, mode = sys.argv[1], sys.argv[2], sys.argv[3]
stored = set(sys.argv[4].split(","))
level = int(mode[5:]) if mode.startswith("level") else 9
with zipfile.ZipFile(out, "w") as z:
    for base, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(base, name)
            suffix = name.split(".", 1)[1].lower() if "." in name else ""
            if mode == "bytype" and suffix in stored:
                z.write(path, compress_type=zipfile.ZIP_STORED)
            else:
                z.write(path, compress_type=zipfile.ZIP_DEFLATED, compresslevel=level)
"""


# ---------------------------------------------------------------------------
# Corpus
# ---------------------------------------------------------------------------

def make_vocabulary(rng, alphabet, count):
    syllables = [a + b for a in alphabet[:20] for b in alphabet[20:]]
    words = set()
    while len(words) < count:
        words.add("".join(rng.choice(syllables) for _ in range(rng.randint(1, 4))))
    return sorted(words)


def text_block(rng, vocabulary, weights, size):
    """About size characters of words in lines, Zipf-like word frequencies."""
    words = rng.choices(vocabulary, weights=weights, k=size // 6 + 16)
    lines = []
    total = 0
    for i in range(0, len(words), 12):
        line = " ".join(words[i:i + 12]) + "\n"
        lines.append(line)
        total += len(line)
        if total >= size:
            break
    return "".join(lines)[:size]


def write_big_text(path, rng, vocabulary, weights, size):
    with open(path, "w", encoding="ascii") as f:
        written = 0
        while written < size:
            block = text_block(rng, vocabulary, weights, min(4 * MB, size - written))
            f.write(block)
            written += len(block)


def write_random(path, rng, size):
    with open(path, "wb") as f:
        left = size
        while left:
            n = min(16 * MB, left)
            f.write(rng.randbytes(n))
            left -= n


def make_photos(folder, rng, count):
    """Noisy pictures of 1600x1200 in bands of brightness, JPEG quality 90."""
    os.makedirs(folder)
    width, height = 1600, 1200
    for i in range(count):
        rows = []
        for band in range(0, height, 40):
            low = rng.randint(0, 160)
            table = bytes(low + (v * rng.randint(32, 95) >> 8) for v in range(256))
            rows.append(rng.randbytes(width * 3 * 40).translate(table))
        ppm = os.path.join(folder, f"photo{i:02d}.ppm")
        with open(ppm, "wb") as f:
            f.write(f"P6 {width} {height} 255\n".encode() + b"".join(rows))
        with open(os.path.join(folder, f"photo{i:02d}.jpg"), "wb") as out:
            subprocess.run(["cjpeg", "-quality", "90", ppm], check=True, stdout=out)
        os.remove(ppm)


def run_quiet(args, cwd):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def make_corpus(root, seed, big_size):
    marker = os.path.join(root, "corpus-version")
    wanted = f"{CORPUS_VERSION} {seed} {big_size}"
    if os.path.exists(marker) and open(marker).read() == wanted:
        return
    print(f"Making the corpus in {root} (seed {seed}) ...", flush=True)
    shutil.rmtree(root, ignore_errors=True)
    src = os.path.join(root, "src")
    arc = os.path.join(root, "archives")
    os.makedirs(src)
    os.makedirs(arc)
    rng = random.Random(seed)

    latin = "bcdfghjklmnprstvwxyzaeiouy"
    cyrillic = "бвгдзклмнпрстфхцчшщжаеиоуыэюя"
    vocabulary = make_vocabulary(rng, latin, 6000)
    weights = [1.0 / (i + 1) for i in range(len(vocabulary))]
    russian = make_vocabulary(rng, cyrillic, 3000)
    russian_weights = [1.0 / (i + 1) for i in range(len(russian))]

    # A lecture package: index.html in Windows-1251, 300 pages, 80 pictures.
    lecture = os.path.join(src, "lecture")
    os.makedirs(os.path.join(lecture, "pages"))
    os.makedirs(os.path.join(lecture, "pictures"))
    body = text_block(rng, russian, russian_weights, 60000)
    links = "".join(f'<li><a href="pages/page{i:03d}.html">{i}</a></li>\n' for i in range(300))
    pictures = "".join(f'<img src="pictures/pic{i:02d}.jpg">\n' for i in range(80))
    index = ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1251">'
             f"</head><body><h1>Лекция</h1><p>{body}</p><ul>{links}</ul>{pictures}</body></html>")
    with open(os.path.join(lecture, "index.html"), "w", encoding="cp1251") as f:
        f.write(index)
    for i in range(300):
        with open(os.path.join(lecture, "pages", f"page{i:03d}.html"), "w", encoding="ascii") as f:
            f.write("<html><body><pre>\n" + text_block(rng, vocabulary, weights, 30000) + "</pre></body></html>\n")
    for i in range(80):
        write_random(os.path.join(lecture, "pictures", f"pic{i:02d}.jpg"), rng, 260000)

    # One big compressible text file.
    os.makedirs(os.path.join(src, "text"))
    write_big_text(os.path.join(src, "text", "big.txt"), rng, vocabulary, weights, big_size)

    # 20,000 files of 1 to 4 KB in 100 folders.
    small = os.path.join(src, "small")
    for d in range(100):
        folder = os.path.join(small, f"d{d:03d}")
        os.makedirs(folder)
        for i in range(200):
            with open(os.path.join(folder, f"f{d * 200 + i:05d}.txt"), "w", encoding="ascii") as f:
                f.write(text_block(rng, vocabulary, weights, rng.randint(1024, 4096)))

    # One big incompressible file.
    os.makedirs(os.path.join(src, "random"))
    write_random(os.path.join(src, "random", "random.dat"), rng, big_size)

    # JPEG pictures (cjpeg), photo-sized: already compressed data.
    make_photos(os.path.join(src, "photos"), rng, 40)

    print("Making the archives with Info-ZIP zip and Python ...", flush=True)
    run_quiet(["zip", "-q", "-r", "-9", os.path.join(arc, "lecture.zip"), "."], lecture)
    run_quiet(["zip", "-q", "-r", "-9", "-P", PASSWORD, os.path.join(arc, "lecture-enc.zip"), "."], lecture)
    run_quiet(["zip", "-q", "-9", os.path.join(arc, "text.zip"), "big.txt"], os.path.join(src, "text"))
    run_quiet(["zip", "-q", "-9", "-P", PASSWORD, os.path.join(arc, "text-enc.zip"), "big.txt"],
              os.path.join(src, "text"))
    run_quiet(["zip", "-q", "-r", os.path.join(arc, "small.zip"), "."], small)
    run_quiet(["zip", "-q", "-0", os.path.join(arc, "random.zip"), "random.dat"], os.path.join(src, "random"))
    # 200,000 empty entries: more than the 16-bit count, so Python writes the
    # ZIP64 end record as well (readers that know only the 16-bit count see
    # 0xffff and read the directory to its end).
    import zipfile
    with zipfile.ZipFile(os.path.join(arc, "empty200k.zip"), "w") as z:
        for i in range(200000):
            z.writestr(f"d{i // 2000:03d}/e{i:06d}", b"")
    with open(marker, "w") as f:
        f.write(wanted)


def make_codec_archives(root):
    """The archives of the other methods and AES, made by 7-Zip when missing."""
    src = os.path.join(root, "src")
    arc = os.path.join(root, "archives")
    made = [
        ("lecture-bzip2.zip", "lecture", ["-mm=BZip2"]),
        ("lecture-aes.zip", "lecture", ["-mm=Deflate", "-mem=AES256", "-p" + PASSWORD]),
        ("text-aes.zip", "text", ["-mm=Deflate", "-mem=AES256", "-p" + PASSWORD]),
    ]
    for name, folder, options in made:
        path = os.path.join(arc, name)
        if not os.path.exists(path):
            print(f"Making {name} with 7-Zip ...", flush=True)
            run_quiet([seven_zip(), "a", "-tzip", "-bd", "-mmt=1"] + options + [path, "."], os.path.join(src, folder))


# ---------------------------------------------------------------------------
# Measuring
# ---------------------------------------------------------------------------

class Result:
    def __init__(self, tool, times, rss_kb, ok, note="", size=None, cpu_times=None):
        self.tool = tool
        self.times = times
        self.cpu_times = cpu_times or []
        self.rss_kb = rss_kb
        self.ok = ok
        self.note = note
        self.size = size

    @property
    def median(self):
        return statistics.median(self.times) if self.times else None

    @property
    def cpu_median(self):
        return statistics.median(self.cpu_times) if self.cpu_times else None


def measure(tool, args, cwd, runs, prepare=None, expect_failure=False, after=None, env=None):
    """Runs args `runs` times (once when the first run takes over 60 s)."""
    times = []
    cpu_times = []
    rss = 0
    ok = True
    note = ""
    memfile = os.path.join(cwd, ".peak-rss")
    for i in range(runs):
        if prepare:
            prepare()
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", memfile] + args, cwd=cwd,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
        elapsed = time.perf_counter() - start
        failed = proc.returncode != 0
        if failed != expect_failure:
            ok = False
            note = f"exit {proc.returncode}: " + proc.stderr.decode(errors="replace").strip().splitlines()[-1:][0] \
                if proc.stderr.strip() else f"exit {proc.returncode}"
        try:
            user, system, peak = open(memfile).read().strip().splitlines()[-1].split()
            rss = max(rss, int(peak))
            cpu_times.append(float(user) + float(system))
        except (OSError, ValueError, IndexError):
            pass
        times.append(elapsed)
        if elapsed > 60:
            break
    if after and ok:
        check = after()
        if check:
            ok = False
            note = check
    return Result(tool, times, rss, ok, note, cpu_times=cpu_times)


def measure_round_robin(commands, cwd, runs, prepare=None, after=None, skip=None):
    """Runs each (tool, args) of commands once per round, for `runs` rounds,
    so that a change in the machine's load falls on every tool alike (on a
    shared machine it moves all times by far more than the differences
    between the tools). skip(tool) gives a note for a tool not run. Returns
    the Results in the order of commands."""
    results = []
    for tool, _ in commands:
        note = skip(tool) if skip else None
        results.append(Result(tool, [], 0, True, note) if note else None)
    for _ in range(runs):
        for i, (tool, args) in enumerate(commands):
            r = results[i]
            if r is not None and (r.note.startswith("skipped") or not r.ok or r.times[-1] > 60):
                continue
            one = measure(tool, args, cwd, 1, prepare=prepare, after=after)
            if r is None:
                results[i] = one
                continue
            r.times += one.times
            r.cpu_times += one.cpu_times
            r.rss_kb = max(r.rss_kb, one.rss_kb)
            if not one.ok:
                r.ok, r.note = False, one.note
    return results


def tree_summary(root):
    files = 0
    size = 0
    for base, _, names in os.walk(root):
        for n in names:
            files += 1
            size += os.path.getsize(os.path.join(base, n))
    return files, size


# ---------------------------------------------------------------------------
# The peers' command lines
# ---------------------------------------------------------------------------

def seven_zip():
    return shutil.which("7z") or shutil.which("7za")


# Thread counts of ours for extraction and testing: 0 is the serial reader.
READ_THREADS = [0, 1, 2]
# 7-Zip with its default threads and with one.
SEVEN_ZIP_THREADS = [("7z", []), ("7z -mmt=1", ["-mmt=1"])]


def extract_commands(ours, archive, out, password):
    pw = password is not None
    cmds = []
    for label, path in ours:
        for j in READ_THREADS:
            cmds.append((f"kelvane-zip ({label}, -j {j})",
                         [path, "extract", archive, "-d", out, "-q", "-j", str(j)] + (["-P", password] if pw else [])))
    cmds.append(("unzip", ["unzip", "-q", "-o"] + (["-P", password] if pw else []) + [archive, "-d", out]))
    cmds.append(("bsdtar", ["bsdtar", "-x", "-f", archive, "-C", out] + (["--passphrase", password] if pw else [])))
    for label, threads in SEVEN_ZIP_THREADS:
        cmds.append((label, [seven_zip(), "x", "-y", "-bd"] + threads + ["-o" + out] + (["-p" + password] if pw else [])
                     + [archive]))
    cmds.append(("python zipfile", [sys.executable, "-c", PYTHON_EXTRACT, archive, out] + ([password] if pw else [])))
    return cmds


def test_commands(ours, archive, password):
    pw = password is not None
    cmds = []
    for label, path in ours:
        for j in READ_THREADS:
            cmds.append((f"kelvane-zip ({label}, -j {j})",
                         [path, "test", archive, "-q", "-j", str(j)] + (["-P", password] if pw else [])))
    cmds.append(("unzip", ["unzip", "-tqq"] + (["-P", password] if pw else []) + [archive]))
    # bsdtar has no test mode: extracting to standard output checks the same.
    cmds.append(("bsdtar", ["bsdtar", "-x", "-O", "-f", archive] + (["--passphrase", password] if pw else [])))
    for label, threads in SEVEN_ZIP_THREADS:
        cmds.append((label, [seven_zip(), "t", "-bd"] + threads + (["-p" + password] if pw else []) + [archive]))
    cmds.append(("python zipfile", [sys.executable, "-c", PYTHON_TEST, archive] + ([password] if pw else [])))
    return cmds


def list_commands(ours, archive):
    cmds = [(f"kelvane-zip ({label})", [path, "list", archive]) for label, path in ours]
    cmds += [
        ("unzip", ["unzip", "-Z1", archive]),
        ("bsdtar", ["bsdtar", "-t", "-f", archive]),
        ("7z", [seven_zip(), "l", "-ba", archive]),
        ("python zipfile", [sys.executable, "-c", PYTHON_LIST, archive]),
    ]
    return cmds


def list_verbose_commands(ours, archive):
    cmds = [(f"kelvane-zip ({label})", [path, "list", "-v", archive]) for label, path in ours]
    cmds += [
        ("unzip", ["unzip", "-v", archive]),
        ("bsdtar", ["bsdtar", "-t", "-v", "-f", archive]),
        ("7z", [seven_zip(), "l", archive]),
    ]
    return cmds


def thread_counts():
    """-j values of ours: 0 (serial), 1, 2, and the core count if different."""
    counts = [0, 1, 2]
    if (os.cpu_count() or 1) not in counts:
        counts.append(os.cpu_count())
    return counts


def create_commands(ours, out, folder, mode, big_file=None):
    """mode: "9", "6", "type" or "aes" (level 6, AES-256); big_file: the one
    file of the folder, for pigz."""
    level = {"9": "-9", "6": "-6", "type": "--by-type", "aes": "-6"}[mode]
    cipher = ["-P", PASSWORD, "--aes"] if mode == "aes" else []
    cmds = []
    for label, path in ours:
        for j in thread_counts():
            cmds.append((f"kelvane-zip ({label}, -j {j})",
                         [path, "create", out, folder, "--overwrite", "-q", level, "-j", str(j)] + cipher))
    if mode == "aes":
        for name, threads in (("7z", "-mmt=1"), ("7z (all cores)", "-mmt=on")):
            cmds.append((name, [seven_zip(), "a", "-tzip", "-mx=5", threads, "-mem=AES256", "-p" + PASSWORD,
                                "-bd", out, folder]))
        cmds.append(("bsdtar", ["bsdtar", "--format", "zip", "--options",
                                "zip:compression-level=6,zip:encryption=aes256", "--passphrase", PASSWORD,
                                "-c", "-f", out, folder]))
        return cmds
    if mode == "type":
        cmds.append(("zip", ["zip", "-q", "-r", "-9", "-n", ":".join("." + s for s in STORED_SUFFIXES), out, folder]))
        cmds.append(("python zipfile", [sys.executable, "-c", PYTHON_CREATE, out, folder, "bytype",
                                        ",".join(STORED_SUFFIXES)]))
        return cmds
    sevenzip_level = "-mx=9" if mode == "9" else "-mx=5"
    cmds.append(("zip", ["zip", "-q", "-r", level, out, folder]))
    cmds.append(("bsdtar", ["bsdtar", "--format", "zip", "--options", f"zip:compression-level={mode}",
                            "-c", "-f", out, folder]))
    cmds.append(("7z", [seven_zip(), "a", "-tzip", sevenzip_level, "-mmt=1", "-bd", out, folder]))
    cmds.append(("7z (all cores)", [seven_zip(), "a", "-tzip", sevenzip_level, "-mmt=on", "-bd", out, folder]))
    cmds.append(("python zipfile", [sys.executable, "-c", PYTHON_CREATE, out, folder, "level" + mode, ""]))
    if big_file:
        cmds.append((f"pigz {level} -K", ["sh", "-c", f'pigz {level} -K -c "$1" > "$2"', "pigz",
                                          os.path.join(folder, big_file), out]))
    return cmds


def reject_commands(ours, path):
    cmds = [(f"kelvane-zip ({label})", [path_, "list", path]) for label, path_ in ours]
    cmds += [
        ("unzip", ["unzip", "-l", path]),
        ("bsdtar", ["bsdtar", "-t", "-f", path]),
        ("7z", [seven_zip(), "l", "-tzip", path]),
        ("python zipfile", [sys.executable, "-c", PYTHON_LIST, path]),
    ]
    return cmds


# ---------------------------------------------------------------------------
# Report
# ---------------------------------------------------------------------------

class Report:
    def __init__(self):
        self.sections = []

    def add(self, title, results, work_bytes=None, work_entries=None, reference=None, check_size=False):
        self.sections.append((title, results, work_bytes, work_entries, reference, check_size))
        print(self.render_section(title, results, work_bytes, work_entries, reference, check_size), flush=True)

    @staticmethod
    def best_peer(results):
        peers = [r for r in results if not r.tool.startswith("kelvane-zip") and r.ok and r.median is not None]
        return min(peers, key=lambda r: r.median) if peers else None

    def render_section(self, title, results, work_bytes, work_entries, reference, check_size):
        lines = [f"### {title}", ""]
        header = "| tool | median s | runs | throughput | CPU s | peak RSS MB |"
        rule = "|---|---:|---:|---:|---:|---:|"
        if check_size:
            header += " archive MB |"
            rule += "---:|"
        header += " ratio to best peer |"
        rule += "---:|"
        lines += [header, rule]
        best = self.best_peer(results)
        rows = list(results)
        if reference:
            rows.append(reference)
        for r in rows:
            if r.median is None:
                lines.append(f"| {r.tool} | skipped | | | | | {r.note} |")
                continue
            if work_entries:
                rate = f"{work_entries / r.median:,.0f} entries/s"
            elif work_bytes:
                rate = f"{work_bytes / MB / r.median:,.0f} MB/s"
            else:
                rate = ""
            cpu = f"{r.cpu_median:.2f}" if r.cpu_median is not None else ""
            row = f"| {r.tool} | {r.median:.3f} | {len(r.times)} | {rate} | {cpu} | {r.rss_kb / 1024:.1f} |"
            if check_size:
                serial = next((p for p in results if p.tool.startswith("kelvane-zip") and p.tool.endswith("-j 0)")
                               and p.size), None)
                if r.size is not None and serial is not None and r.tool.startswith("kelvane-zip") and r is not serial:
                    row += f" {r.size / MB:.2f} ({(r.size / serial.size - 1) * 100:+.2f}% vs -j 0) |"
                else:
                    row += f" {r.size / MB:.2f} |" if r.size is not None else " |"
            if r.tool.startswith("kelvane-zip") and best is not None:
                row += f" **{r.median / best.median:.2f}** (vs {best.tool}) |"
                zip_peer = next((p for p in results if p.tool == "zip" and p.ok and p.median), None)
                if check_size and zip_peer is not None and zip_peer is not best:
                    row = row[:-1] + f"; vs zip **{r.median / zip_peer.median:.2f}** |"
                seven = next((p for p in results if p.tool == "7z" and p.ok and p.median), None)
                if not check_size and seven is not None and seven is not best:
                    row = row[:-1] + f"; vs 7z **{r.median / seven.median:.2f}** |"
                if r.cpu_median and best.cpu_median:
                    row = row[:-1] + f"; CPU {r.cpu_median / best.cpu_median:.2f} |"
            elif reference is not None and r is reference:
                row += " |"
            else:
                row += " |"
            if not r.ok:
                row = row[:-1] + f" FAILED: {r.note} |"
            lines.append(row)
        if reference is not None:
            ours = [r for r in results if r.tool.startswith("kelvane-zip") and r.median]
            for r in ours:
                lines.append("")
                lines.append(f"{r.tool} / {reference.tool}: **{r.median / reference.median:.2f}**")
        lines.append("")
        return "\n".join(lines)

    def markdown(self, header):
        parts = [header]
        for s in self.sections:
            parts.append(self.render_section(*s))
        return "\n".join(parts)


def command_output(args):
    try:
        p = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=30)
        return p.stdout.decode(errors="replace")
    except (OSError, subprocess.SubprocessError):
        return ""


def repository_commit():
    out = command_output(["git", "-C", os.path.dirname(os.path.abspath(__file__)), "rev-parse", "--short", "HEAD"])
    return out.strip()


def machine_description(ours, commit):
    cpu = ""
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            cpu = line.split(":", 1)[1].strip()
            break
    mem_kb = 0
    for line in open("/proc/meminfo"):
        if line.startswith("MemTotal"):
            mem_kb = int(line.split()[1])
    versions = [
        ("zip", command_output(["zip", "-v"]).splitlines()[1:2]),
        ("unzip", command_output(["unzip", "-v"]).splitlines()[:1]),
        ("bsdtar", command_output(["bsdtar", "--version"]).splitlines()[:1]),
        ("7z", [l for l in command_output([seven_zip()]).splitlines() if l.strip()][:2]),
        ("pigz", command_output(["pigz", "--version"]).splitlines()[:1]),
        ("python", [platform.python_version()]),
    ]
    lines = [
        f"- Date: {datetime.datetime.now().strftime('%Y-%m-%d %H:%M')}",
        f"- CPU: {cpu}, {os.cpu_count()} cores (nproc)",
        f"- Load average (1/5/15 min) at the start of the run: {' / '.join(f'{x:.2f}' for x in LOAD_AT_START)}",
        f"- Memory: {mem_kb / 1024 / 1024:.1f} GiB",
        f"- Kernel: {platform.release()}",
    ]
    for name, v in versions:
        lines.append(f"- {name}: {' / '.join(x.strip() for x in v)}")
    lines.append(f"- Repository at the start of the run: commit {commit}")
    for label, path in ours:
        lines.append(f"- kelvane-zip ({label}): {path}")
    return "\n".join(lines)


# ---------------------------------------------------------------------------
# Main
# ---------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--ours", action="append", required=True, metavar="LABEL=PATH",
                        help="a kelvane-zip build to measure (repeat for each back end)")
    # tmpfs by default: the virtual disk's write-back stalls swamp the
    # differences between the tools when 20,000 files are written and removed.
    default_corpus = "/dev/shm/kelvane-bench" if os.path.isdir("/dev/shm") else "/tmp/kelvane-bench"
    parser.add_argument("--corpus", default=default_corpus)
    parser.add_argument("--seed", type=int, default=20240601)
    parser.add_argument("--big-mb", type=int, default=256, help="size of the big files")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--output", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "RESULTS.md"))
    parser.add_argument("--only", default="",
                        help="comma-separated section keys to run (default: all); a workload (lecture, small, "
                             "lecture-bzip2, ...: reading and creation), read:WORKLOAD (extract, test and list only); "
                             "creation: create-9, create-6, "
                             "create-type, create-aes (the lecture only), or one workload of one, e.g. create-9:text")
    args = parser.parse_args()

    ours = []
    for item in args.ours:
        label, _, path = item.partition("=")
        ours.append((label, os.path.abspath(path)))
    for _, path in ours:
        if not os.access(path, os.X_OK):
            sys.exit(f"not executable: {path}")

    commit = repository_commit()
    root = os.path.abspath(args.corpus)
    big = args.big_mb * MB
    make_corpus(root, args.seed, big)
    make_codec_archives(root)
    src = os.path.join(root, "src")
    arc = os.path.join(root, "archives")
    out = os.path.join(root, "out")
    only = set(filter(None, args.only.split(",")))

    def wanted(key):
        return not only or key in only

    def clear_out():
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)

    sizes = {
        "lecture": tree_summary(os.path.join(src, "lecture")),
        "text": tree_summary(os.path.join(src, "text")),
        "small": tree_summary(os.path.join(src, "small")),
        "random": tree_summary(os.path.join(src, "random")),
        "photos": tree_summary(os.path.join(src, "photos")),
    }
    report = Report()
    workloads = [
        ("lecture", "lecture.zip", None, "lecture package (~30 MB, zip -9)"),
        ("lecture-enc", "lecture-enc.zip", PASSWORD, "lecture package, encrypted (zip -9 -P)"),
        ("text", "text.zip", None, f"{args.big_mb} MB text deflated at level 9 (zip -9)"),
        ("text-enc", "text-enc.zip", PASSWORD, f"{args.big_mb} MB text, level 9, encrypted (zip -9 -P)"),
        ("small", "small.zip", None, "20,000 files of 1-4 KB in 100 folders (zip -6)"),
        ("random", "random.zip", None, f"{args.big_mb} MB incompressible, stored (zip -0)"),
        ("lecture-bzip2", "lecture-bzip2.zip", None, "lecture package, bzip2 (7z -mm=BZip2)"),
        ("lecture-aes", "lecture-aes.zip", PASSWORD, "lecture package, AES-256 (7z -mem=AES256)"),
        ("text-aes", "text-aes.zip", PASSWORD, f"{args.big_mb} MB text, deflated, AES-256 (7z -mem=AES256)"),
    ]
    # Neither reads AES entries.
    no_aes = {"unzip", "python zipfile"}

    for key, archive_name, password, title in workloads:
        if not (wanted(key) or wanted(f"read:{key}")):
            continue
        archive = os.path.join(arc, archive_name)
        files, size = sizes[key.split("-")[0]]

        def verify(files=files, size=size):
            got = tree_summary(out)
            return None if got == (files, size) else f"extracted {got}, expected {(files, size)}"

        def skip(tool, key=key):
            if tool in no_aes and key.endswith("-aes"):
                return "skipped: does not read AES entries"
            if tool == "python zipfile" and key == "text-enc":
                # Python decrypts in pure Python, at about 1 MB/s.
                return "skipped: pure-Python decryption takes minutes"
            return None

        results = measure_round_robin(extract_commands(ours, archive, out, password), root, args.runs,
                                      prepare=clear_out, after=verify, skip=skip)
        reference = None
        if key == "small":
            cp_out = os.path.join(out, "small")
            reference = measure("cp -r (floor)", ["cp", "-r", os.path.join(src, "small"), cp_out], root,
                                args.runs, prepare=clear_out)
        report.add(f"Extract: {title}", results, work_bytes=size, reference=reference)
        clear_out()

        results = measure_round_robin(test_commands(ours, archive, password), root, args.runs, skip=skip)
        report.add(f"Test: {title}", results, work_bytes=size)

        if password is None and "-" not in key:
            results = [measure(tool, cmd, root, args.runs) for tool, cmd in list_commands(ours, archive)]
            report.add(f"List names: {title}", results, work_entries=files)

    if wanted("empty"):
        archive = os.path.join(arc, "empty200k.zip")
        results = [measure(tool, cmd, root, args.runs) for tool, cmd in list_commands(ours, archive)]
        report.add("List names: 200,000 empty entries (Python zipfile, ZIP64 end record)", results,
                   work_entries=200000)
        results = [measure(tool, cmd, root, args.runs) for tool, cmd in list_verbose_commands(ours, archive)]
        report.add("List verbose: 200,000 empty entries", results, work_entries=200000)

    for key, folder, title, big_file in [("lecture", "lecture", "lecture package", None),
                                         ("text", "text", f"{args.big_mb} MB text", "big.txt"),
                                         ("small", "small", "20,000 small files", None),
                                         ("random", "random", f"{args.big_mb} MB incompressible", "random.dat"),
                                         ("photos", "photos", "40 JPEG pictures", None)]:
        for mode in ("9", "6", "type", "aes"):
            if mode == "aes" and key != "lecture":
                continue
            section = f"create-{mode}"
            if not (wanted(section) or wanted(key) or wanted(f"{section}:{key}")):
                continue
            target = os.path.join(out, "new.zip")
            results = []
            for tool, cmd in create_commands(ours, target, folder, mode, big_file):
                if tool.startswith("7z") and key in ("text", "random") and mode == "9":
                    # Its deflate at -mx=9 makes many passes: about five
                    # minutes for one run on the big files.
                    results.append(Result(tool, [], 0, True, "skipped: 7z -mx=9 takes minutes on the big files"))
                    continue
                r = measure(tool, cmd, src, args.runs, prepare=clear_out)
                if os.path.exists(target):
                    r.size = os.path.getsize(target)
                results.append(r)
            name = {"9": "level 9", "6": "level 6", "type": "by file type", "aes": "level 6, AES-256"}[mode]
            report.add(f"Create {name}: {title}", results, work_bytes=sizes[key][1], check_size=True)
            clear_out()

    if wanted("reject"):
        # The big text file holds no end record signature: every reader must
        # refuse it. kelvane-zip searches the whole file backwards for it.
        path = os.path.join(src, "text", "big.txt")
        results = [measure(tool, cmd, root, args.runs, expect_failure=True) for tool, cmd in reject_commands(ours, path)]
        reference = measure("cat file > /dev/null", ["cat", path], root, args.runs)
        report.add(f"Reject a {args.big_mb} MB file that is not an archive", results, work_bytes=big,
                   reference=reference)

    shutil.rmtree(out, ignore_errors=True)
    header = "\n".join([
        "# Benchmark results",
        "",
        "Made by `bench/zipbench.py` "
        f"(seed {args.seed}, {args.runs} runs per tool, median wall time; one run when a run takes over 60 s;",
        "user + system CPU time and peak RSS from GNU time, medians too). Ratio: our median wall time divided by",
        "the best peer's median wall time in the same run; after it, the same ratio of CPU times (0.01 s resolution),",
        "which other load on the machine disturbs less.",
        "",
        "## Machine",
        "",
        machine_description(ours, commit),
        "",
        "## Results",
        "",
    ])
    with open(args.output, "w") as f:
        f.write(report.markdown(header))
    print(f"Written: {args.output}")


if __name__ == "__main__":
    main()
