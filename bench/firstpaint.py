#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

"""Time from launching kelvane-viewer to the first paint of a lecture.

Each viewer (given with --viewer LABEL=PATH, one or more) is started on the
sample lecture and on a generated package of about 300 MB of JPEG pictures
(made once with cjpeg from seeded noise, in --corpus). With the logging
category kelvane.viewer.timing enabled, the player writes
"first paint: N ms after start" once the start page, its pictures on disk,
has been painted; the script measures from starting the process to that
line (wall time, from outside) and also keeps N (from the player's library
being loaded). The viewer is then ended with SIGTERM. Every run gets a fresh
temporary folder and settings folder, so that nothing is left from the one
before. Prints the median of --runs runs and, with --output, appends a
Markdown section to that file.

    python3 bench/firstpaint.py --viewer after=build-qt6/bin/kelvane-viewer \\
        --sample build-qt6/samples/lecture.zip --output bench/RESULTS.md

Runs with QT_QPA_PLATFORM=offscreen unless a display is given in the
environment.
"""

import argparse
import datetime
import os
import random
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

MB = 1024 * 1024
CORPUS_VERSION = "1"
LINE = re.compile(rb"first paint: (\d+) ms after start")


def make_photo(path, rng, width=1600, height=1200):
    """Noisy picture in bands of brightness, JPEG quality 90."""
    rows = []
    for _ in range(0, height, 40):
        low = rng.randint(0, 160)
        table = bytes(low + (v * rng.randint(32, 95) >> 8) for v in range(256))
        rows.append(rng.randbytes(width * 3 * 40).translate(table))
    ppm = path + ".ppm"
    with open(ppm, "wb") as f:
        f.write(f"P6 {width} {height} 255\n".encode() + b"".join(rows))
    with open(path, "wb") as out:
        subprocess.run(["cjpeg", "-quality", "90", ppm], check=True, stdout=out)
    os.remove(ppm)


def page(title, body):
    html = (f"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
            f"<title>{title}</title></head><body>{body}</body></html>")
    return html.encode("cp1251")


def make_pictures_package(corpus, seed, target_size):
    """A lecture of pages of pictures: the start page shows three of them."""
    path = os.path.join(corpus, "pictures.zip")
    marker = os.path.join(corpus, "version")
    wanted = f"{CORPUS_VERSION} {seed} {target_size}"
    if os.path.exists(path) and os.path.exists(marker) and open(marker).read() == wanted:
        return path
    print(f"Making the picture package in {corpus} ...", flush=True)
    shutil.rmtree(corpus, ignore_errors=True)
    os.makedirs(corpus)
    rng = random.Random(seed)
    distinct = []
    for i in range(24):
        photo = os.path.join(corpus, f"photo{i:02d}.jpg")
        make_photo(photo, rng)
        distinct.append(open(photo, "rb").read())
        os.remove(photo)
    names = []
    size = 0
    while size < target_size:
        data = distinct[len(names) % len(distinct)]
        names.append((f"pictures/photo{len(names):03d}.jpg", data))
        size += len(data)
    per_page = 6
    pages = [names[i:i + per_page] for i in range(0, len(names), per_page)]
    with zipfile.ZipFile(path, "w") as archive:
        start = "".join(f"<p><img src=\"{name}\" width=\"400\"></p>" for name, _ in names[:3])
        links = "".join(f"<li><a href=\"pages/page{i:03d}.html\">Страница {i + 1}</a></li>"
                        for i in range(len(pages)))
        archive.writestr("index.html", page("Фотографии", f"<h1>Фотографии</h1>{start}<ul>{links}</ul>"),
                         zipfile.ZIP_DEFLATED)
        for i, group in enumerate(pages):
            body = "".join(f"<p><img src=\"../{name}\" width=\"400\"></p>" for name, _ in group)
            archive.writestr(f"pages/page{i:03d}.html", page(f"Страница {i + 1}", body), zipfile.ZIP_DEFLATED)
        for name, data in names:
            archive.writestr(name, data, zipfile.ZIP_STORED)
    with open(marker, "w") as f:
        f.write(wanted)
    return path


def one_run(viewer, package, scratch, timeout):
    """Seconds from launch to the first-paint line, and the player's own N."""
    run_dir = tempfile.mkdtemp(prefix="run-", dir=scratch)
    tmp = os.path.join(run_dir, "tmp")
    config = os.path.join(run_dir, "config")
    os.makedirs(tmp)
    os.makedirs(config, mode=0o700)
    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    env.update({"QT_LOGGING_RULES": "kelvane.viewer.timing.info=true", "TMPDIR": tmp,
                "XDG_CONFIG_HOME": config, "XDG_RUNTIME_DIR": config,
                "XDG_CACHE_HOME": os.path.join(tmp, "cache"), "LC_ALL": "C.UTF-8"})
    started = time.monotonic()
    process = subprocess.Popen([viewer, package], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    seen = None
    own = None
    buffer = b""
    try:
        while time.monotonic() - started < timeout:
            chunk = process.stderr.readline()
            if not chunk:
                break
            buffer += chunk
            match = LINE.search(chunk)
            if match:
                seen = time.monotonic() - started
                own = int(match.group(1))
                break
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        shutil.rmtree(run_dir, ignore_errors=True)
    if seen is None:
        sys.exit(f"{viewer} wrote no first-paint line for {package}:\n{buffer.decode(errors='replace')}")
    return seen, own


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--viewer", action="append", required=True, help="LABEL=PATH of a kelvane-viewer")
    parser.add_argument("--sample", required=True, help="the sample lecture (build-qt6/samples/lecture.zip)")
    parser.add_argument("--package", action="append", default=[], metavar="LABEL=PATH",
                        help="a further package to time, e.g. the lecture of bench/zipbench.py's corpus")
    parser.add_argument("--corpus", default="/dev/shm/kelvane-firstpaint")
    parser.add_argument("--size-mb", type=int, default=300)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("--output", help="a Markdown file to append the results to")
    args = parser.parse_args()

    viewers = [item.split("=", 1) for item in args.viewer]
    pictures = make_pictures_package(args.corpus, args.seed, args.size_mb * MB)
    packages = [("sample lecture", os.path.abspath(args.sample)),
                (f"{os.path.getsize(pictures) / MB:.0f} MB of pictures", pictures)]
    for item in args.package:
        label, path = item.split("=", 1)
        packages.append((f"{label} ({os.path.getsize(path) / MB:.0f} MB)", os.path.abspath(path)))
    scratch = os.path.join(args.corpus, "runs")
    os.makedirs(scratch, exist_ok=True)
    load = os.getloadavg()
    rows = []
    for package_label, package in packages:
        for label, viewer in viewers:
            outside, inside = [], []
            for _ in range(args.runs):
                seen, own = one_run(os.path.abspath(viewer), package, scratch, 120)
                outside.append(seen)
                inside.append(own)
            row = (package_label, label, statistics.median(outside), min(outside), max(outside),
                   statistics.median(inside))
            rows.append(row)
            print(f"{package_label:24} {label:10} median {row[2]:.3f} s (min {row[3]:.3f}, max {row[4]:.3f}); "
                  f"player's line {row[5]:.0f} ms", flush=True)
    if args.output:
        with open(args.output, "a") as out:
            out.write(report(rows, viewers, args, load))


def report(rows, viewers, args, load):
    lines = ["", "## First paint of the viewer (`bench/firstpaint.py`)", "",
             f"- Date: {datetime.datetime.now():%Y-%m-%d %H:%M}; {os.cpu_count()} cores; load average at the start "
             f"{load[0]:.2f} {load[1]:.2f} {load[2]:.2f}",
             f"- Display: {os.environ.get('QT_QPA_PLATFORM', 'offscreen')} platform (no display on the machine)",
             f"- Median of {args.runs} runs each, wall time from starting the process to the line "
             "\"first paint: N ms after start\" on the logging category kelvane.viewer.timing; "
             "N (from the player's library being loaded) is given too",
             "- Viewers: " + "; ".join(f"{label} = `{path}`" for label, path in viewers),
             "", "| package | viewer | median s | min s | max s | player's N ms |", "|---|---|---:|---:|---:|---:|"]
    for package_label, label, median, low, high, own in rows:
        lines.append(f"| {package_label} | {label} | {median:.3f} | {low:.3f} | {high:.3f} | {own:.0f} |")
    command = " ".join(["python3 bench/firstpaint.py"] + [f"--viewer {v}" for v in args.viewer]
                       + [f"--sample {args.sample}"] + [f"--package {p}" for p in args.package]
                       + [f"--runs {args.runs}"])
    lines += ["", f"Command: `{command}`", ""]
    return "\n".join(lines)


if __name__ == "__main__":
    main()
