#!/usr/bin/python3
"""Runs clang-tidy with the project's settings over every source file of a
build folder and fails on any finding.

    /usr/bin/python3 tools/tidy.py BUILD_DIR [JOBS]

BUILD_DIR's compile_commands.json lists the files; JOBS of them (default:
the number of cores) are checked at once. A file's result is kept in
BUILD_DIR/tidy-cache.json under a key made of everything it depends on:
clang-tidy's version, the .clang-tidy files, the file's compile command and
the contents of the file and of every header it includes (from the
compiler's dependency file next to its object file). Only files whose key
changed are checked again; a file without a dependency file always is.
"""
import hashlib
import json
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FINDING = re.compile(r"^(.*?):\d+:\d+: (warning|error): ")


def digest(*parts):
    h = hashlib.sha256()
    for part in parts:
        h.update(part if isinstance(part, bytes) else part.encode())
        h.update(b"\0")
    return h.hexdigest()


file_digests = {}


def file_digest(path):
    if path not in file_digests:
        try:
            with open(path, "rb") as f:
                file_digests[path] = hashlib.sha256(f.read()).hexdigest()
        except OSError:
            file_digests[path] = "missing"
    return file_digests[path]


def dependencies(entry):
    """The files the object was last built from, or None when unknown."""
    words = entry.get("arguments") or entry["command"].split()
    if "-o" not in words:
        return None
    depfile = os.path.join(entry["directory"], words[words.index("-o") + 1] + ".d")
    try:
        with open(depfile) as f:
            text = f.read()
    except OSError:
        return None
    # Make syntax: "target: dep dep \" lines, spaces in names escaped.
    text = text.replace("\\\n", " ")
    _, _, deps = text.partition(": ")
    names = [n.replace("\\ ", " ") for n in re.split(r"(?<!\\)\s+", deps) if n]
    return [os.path.normpath(os.path.join(entry["directory"], n)) for n in names]


def settings():
    found = []
    for top in (ROOT, os.path.join(ROOT, "src"), os.path.join(ROOT, "tests")):
        for where, _, files in os.walk(top):
            if ".clang-tidy" in files:
                found.append(os.path.join(where, ".clang-tidy"))
            if where == ROOT:
                break
    return [(p, file_digest(p)) for p in sorted(set(found))]


def tidy(build, entry):
    run = subprocess.run(["clang-tidy", "-p", build, "--quiet", entry["file"]],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    lines = run.stdout.splitlines()
    if run.returncode != 0 and not any(FINDING.match(l) for l in lines):
        lines.append("%s:0:0: error: clang-tidy failed (status %d): %s"
                     % (entry["file"], run.returncode, run.stderr.strip()[-500:]))
    return lines


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: tidy.py BUILD_DIR [JOBS]")
    build = os.path.abspath(sys.argv[1])
    jobs = int(sys.argv[2]) if len(sys.argv) == 3 else os.cpu_count()
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = json.load(f)
    version = subprocess.run(["clang-tidy", "--version"], stdout=subprocess.PIPE,
                             text=True, check=True).stdout
    common = digest(version, json.dumps(settings()))
    cache_path = os.path.join(build, "tidy-cache.json")
    try:
        with open(cache_path) as f:
            cache = json.load(f)
    except (OSError, ValueError):
        cache = {}

    keys, todo = {}, []
    for entry in entries:
        deps = dependencies(entry)
        if deps is None:
            key = None
        else:
            key = digest(common, json.dumps(entry, sort_keys=True),
                         *(d + " " + file_digest(d) for d in sorted(set(deps + [entry["file"]]))))
        keys[entry["file"]] = key
        saved = cache.get(entry["file"])
        if key is None or not saved or saved["key"] != key:
            todo.append(entry)

    with ThreadPoolExecutor(max_workers=jobs) as pool:
        for entry, lines in zip(todo, pool.map(lambda e: tidy(build, e), todo)):
            cache[entry["file"]] = {"key": keys[entry["file"]], "lines": lines}
    cache = {name: cache[name] for name in keys}
    with open(cache_path + ".new", "w") as f:
        json.dump(cache, f)
    os.replace(cache_path + ".new", cache_path)

    # A header's finding comes once per file that includes it: shown once.
    shown, findings, showing = set(), 0, False
    for name in sorted(keys):
        for line in cache[name]["lines"]:
            if FINDING.match(line):
                showing = line not in shown
                findings += showing
                shown.add(line)
            if showing:
                print(line.replace(ROOT + "/", ""))
    print("clang-tidy: %d files (%d checked now, the rest unchanged), %d findings"
          % (len(keys), len(todo), findings))
    sys.exit(1 if findings else 0)


if __name__ == "__main__":
    main()
