#!/usr/bin/env python3
"""Checks that the README quotes the programs of tests/consumer/programs, which CI builds, word for
word: each block under a line "<!-- tests/consumer/programs/NAME -->" is that file, and every file
there is quoted. Prints what differs; exits 1 then."""
import difflib
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
folder = "tests/consumer/programs"
readme = (root / "README.md").read_text().splitlines(keepends=True)
quoted = {}
for i, line in enumerate(readme):
    match = re.fullmatch(r"<!-- (" + re.escape(folder) + r"/\S+) -->\n", line)
    if not match:
        continue
    start = i + 1
    if start >= len(readme) or not readme[start].startswith("```"):
        sys.exit(f"README.md:{i + 1}: {match[1]} is not followed by a code block")
    end = next((k for k in range(start + 1, len(readme)) if readme[k] == "```\n"), None)
    if end is None:
        sys.exit(f"README.md:{start + 1}: the code block does not end")
    quoted[match[1]] = (start + 2, readme[start + 1:end])

failed = False
for path in sorted((root / folder).iterdir()):
    name = f"{folder}/{path.name}"
    if name not in quoted:
        print(f"README.md does not quote {name}")
        failed = True
        continue
    line, text = quoted.pop(name)
    built = path.read_text().splitlines(keepends=True)
    if text != built:
        print(f"README.md:{line}: the code differs from {name}:")
        sys.stdout.writelines(difflib.unified_diff(built, text, name, "README.md"))
        failed = True
for name, (line, _) in quoted.items():
    print(f"README.md:{line}: {name} does not exist")
    failed = True
sys.exit(1 if failed else 0)
