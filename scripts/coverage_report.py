#!/usr/bin/env python3
"""Line coverage per folder of a build made with -DLAB_COVERAGE=ON, after its tests ran.

usage: coverage_report.py BUILD_DIR [FLOORS_FILE]

Reads every object's gcov notes and counts (gcov's JSON output; an object that never ran counts as
not run) and prints, for each top folder of the components and each folder of platform/, how many
of its lines the compiler made code of and how many of those ran. A line of a header counts once,
run when any translation unit ran it. With FLOORS_FILE (lines of "folder percent"), a folder below
its floor fails the run.
"""

import gzip
import json
import os
import subprocess
import sys
from collections import defaultdict
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOP_FOLDERS = ("platform", "grid", "editor", "crashreport")


def gcov_documents(notes):
    """The JSON documents gcov writes for a batch of objects (one per object)."""
    out = subprocess.run(["gcov", "--json-format", "--stdout"] + notes, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=False).stdout
    if out[:2] == b"\x1f\x8b":
        out = gzip.decompress(out)
    decoder, text, at = json.JSONDecoder(), out.decode("utf-8", "replace"), 0
    while True:
        while at < len(text) and text[at].isspace():
            at += 1
        if at >= len(text):
            return
        document, at = decoder.raw_decode(text, at)
        yield document


def component_path(document, name):
    """The file's path below the source tree when it is a component's, else None."""
    path = os.path.normpath(os.path.join(document.get("current_working_directory", ""), name))
    rel = os.path.relpath(path, ROOT)
    return rel if rel.split(os.sep, 1)[0] in TOP_FOLDERS else None


def collect(build_dir):
    """{source path: {line: ran}} over every object of the build."""
    notes = []
    for folder, _, files in os.walk(os.path.abspath(build_dir)):
        notes += [os.path.join(folder, f) for f in files if f.endswith(".gcno")]
    if not notes:
        sys.exit(f"coverage: no gcov notes in {build_dir} (configure it with -DLAB_COVERAGE=ON)")
    notes.sort()
    batches = [notes[i:i + 16] for i in range(0, len(notes), 16)]
    lines = defaultdict(dict)
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 4) as pool:
        for documents in pool.map(lambda b: list(gcov_documents(b)), batches):
            for document in documents:
                for f in document.get("files", []):
                    path = component_path(document, f["file"])
                    if not path:
                        continue
                    seen = lines[path]
                    for line in f["lines"]:
                        number = line["line_number"]
                        seen[number] = seen.get(number, False) or line["count"] > 0
    return lines


def folder_totals(lines):
    """{folder: [lines, run]} for each top folder and each folder of platform/."""
    totals = defaultdict(lambda: [0, 0])
    for path, seen in lines.items():
        parts = path.split(os.sep)
        keys = [parts[0]]
        if parts[0] == "platform" and len(parts) > 2:
            keys.append("/".join(parts[:2]))
        for key in keys + ["total"]:
            totals[key][0] += len(seen)
            totals[key][1] += sum(seen.values())
    return totals


def read_floors(path):
    floors = {}
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.split("#", 1)[0].split()
            if line:
                floors[line[0]] = float(line[1])
    return floors


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.strip().splitlines()[2])
    totals = folder_totals(collect(sys.argv[1]))
    floors = read_floors(sys.argv[2]) if len(sys.argv) == 3 else {}

    def order(key):
        return (key == "total", key.split("/")[0], key)

    failed = []
    print(f"{'folder':<22}{'lines':>8}{'run':>8}{'cover':>8}{'floor':>8}")
    for key in sorted(totals, key=order):
        count, run = totals[key]
        percent = 100.0 * run / count if count else 100.0
        floor = floors.get(key)
        mark = ""
        if floor is not None and percent < floor:
            failed.append(key)
            mark = "  below the floor"
        name = ("  " if "/" in key else "") + key
        floor_text = f"{floor:.1f}" if floor is not None else ""
        print(f"{name:<22}{count:>8}{run:>8}{percent:>7.1f}%{floor_text:>8}{mark}")
    missing = [key for key in floors if key not in totals]
    for key in missing:
        print(f"coverage: {key} has a floor but no lines were found", file=sys.stderr)
    if failed or missing:
        sys.exit(f"coverage: below the floor: {', '.join(failed + missing)}")


if __name__ == "__main__":
    main()
