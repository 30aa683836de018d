#!/usr/bin/env python3
"""Lists the src/ lines a baseline coverage run reached and a later run does not.

    coverage-lost.py save ROOT GCOVR.json OUT.txt   keep the covered lines of one run
    coverage-lost.py lost BASE.txt ROOT GCOVR.json  print those of BASE no longer covered

A line is named by its file, its text and which occurrence of that text it is, so the
comparison survives lines moving; a line removed from the product is not counted as lost.
GCOVR.json is what `gcovr --json` writes (scripts/coverage.sh leaves build-coverage/coverage.json).
"""
import json
import os
import sys
from collections import Counter


def covered(root, report):
    """(file, text, occurrence) for every line of src/ the run executed, and every line there."""
    with open(report, encoding="utf-8") as f:
        data = json.load(f)
    hit, present = set(), set()
    for entry in data["files"]:
        path = entry["file"]
        try:
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as src:
                text = src.read().split("\n")
        except OSError:
            continue
        seen = Counter()
        keys = []
        for line in text:
            stripped = line.strip()
            seen[stripped] += 1
            keys.append((path, stripped, seen[stripped]))
        present.update(keys)
        for line in entry["lines"]:
            n = line["line_number"]
            if line.get("count", 0) > 0 and 0 < n <= len(keys) and not line.get("gcovr/noncode"):
                hit.add(keys[n - 1])
    return hit, present


def main(argv):
    if len(argv) == 5 and argv[1] == "save":
        hit, _ = covered(argv[2], argv[3])
        with open(argv[4], "w", encoding="utf-8") as out:
            for path, text, occurrence in sorted(hit):
                out.write(f"{path}\t{occurrence}\t{text}\n")
        return 0
    if len(argv) == 5 and argv[1] == "lost":
        base = set()
        with open(argv[2], encoding="utf-8") as f:
            for row in f:
                path, occurrence, text = row.rstrip("\n").split("\t", 2)
                base.add((path, text, int(occurrence)))
        hit, present = covered(argv[3], argv[4])
        lost = sorted(k for k in base - hit if k in present)
        per_file = Counter(k[0] for k in lost)
        for path, text, _ in lost:
            print(f"{path}: {text}")
        for path, n in sorted(per_file.items()):
            print(f"lost {n:4d}  {path}", file=sys.stderr)
        print(f"{len(lost)} covered lines lost", file=sys.stderr)
        return 1 if lost else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
