#!/usr/bin/env python3
"""Runs every example of the documents exactly as written and compares its output with what the
document shows.

    check_doc_examples.py SOURCE_DIR BIN_DIR... [--only FILE]

An example is a command after a "$ " prompt, in a ```console block of README.md or docs/*.md or
in a literal block of a man page source (man/*.scd, unescaped as scdoc does); a line ending in a
backslash continues on the next. The lines after it, up to the next prompt or the block's end,
are what it prints: its standard output, then its standard error. The commands of one block run
in one shell, in order (so a variable set by one is seen by the next), in a scratch folder where
docs/ is the source's, with the BIN_DIRs first on PATH. Outputs are compared with runs of
whitespace taken as one space, since man pages wrap long lines; a time in seconds ("in 0.71 s")
may differ. Blocks of plain sh (build and install steps) are not examples.

The viewer, beziercurve, runs until its window is closed and shows no output: its examples must
start and still be running after two seconds, under $DISPLAY (a "-display NAME" in the example
names that display instead; without any display they are skipped, or fail when
BEZIER_REQUIRE_DISPLAY is set).
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

VIEWER_SECONDS = 2
# How often a viewer example whose display refused its connection is run again.
DISPLAY_RETRIES = 2


def unescape_scdoc(line):
    return re.sub(r"\\(.)", r"\1", line)


def blocks_of(path):
    """The example blocks of a document: lists of (command, expected output lines)."""
    with open(path, encoding="utf-8") as document:
        lines = document.read().split("\n")
    scdoc = path.endswith(".scd")
    blocks, inside, current = [], False, []
    for line in lines:
        fence = line.strip()
        if fence.startswith("```"):
            if inside:
                blocks.append(current)
                inside = False
            else:
                info = fence[3:].strip()
                inside = info == "console" or (scdoc and info == "")
                current = []
            continue
        if inside:
            current.append(unescape_scdoc(line) if scdoc else line)
    examples = []
    for block in blocks:
        commands, pending = [], None
        for line in block:
            if pending is not None:
                pending += " " + line.strip()
            elif line.startswith("$ "):
                pending = line[2:]
            else:
                if commands:
                    commands[-1][1].append(line)
                continue
            if pending.endswith("\\"):
                pending = pending[:-1].rstrip()
            else:
                commands.append([pending, []])
                pending = None
        if commands:
            examples.append(commands)
    return examples


def normalized(text):
    text = re.sub(r"\bin [0-9]+(\.[0-9]+)? s\b", "in N s", text)
    return " ".join(text.split())


def display_of(command):
    match = re.search(r"-display (\S+)", command)
    return match.group(1) if match else None


def check_viewer(command, scratch, environment):
    """The viewer starts and is still running after a while."""
    display = os.environ.get("DISPLAY")
    if not display:
        return "skip"
    if display_of(command):
        command = command.replace("-display " + display_of(command), "-display " + display)
    problem = None
    for attempt in range(1 + DISPLAY_RETRIES):
        child = subprocess.Popen(["bash", "-c", command], cwd=scratch, env=environment,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                 start_new_session=True)
        try:
            child.wait(timeout=VIEWER_SECONDS)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGTERM)
            child.wait()
            return None
        message = child.stderr.read().decode(errors="replace").strip()
        problem = "exited with status %d before its window was closed: %s" % (
            child.returncode, message)
        if "failed to open display" not in message:
            break
        # Xvfb now and then refuses one connection made just after another client was killed;
        # the server is up (the next connection succeeds), so the example is run again.
        print("note: %s: the display refused the connection (attempt %d); running it again"
              % (command, attempt + 1))
        time.sleep(1)
    return problem


def run_block(commands, scratch, environment):
    """Runs one block's commands in one shell; yields (command, expected, actual or problem)."""
    script = []
    for index, (command, _) in enumerate(commands):
        if command.split()[0] == "beziercurve":
            script.append(": viewer example %d" % index)
            continue
        script.append("{ %s\n} >%d.out 2>%d.err" % (command, index, index))
    subprocess.run(["bash", "-c", "\n".join(script)], cwd=scratch, env=environment, timeout=600)
    for index, (command, expected) in enumerate(commands):
        if command.split()[0] == "beziercurve":
            yield command, None, check_viewer(command, scratch, environment)
            continue
        with open(os.path.join(scratch, "%d.out" % index), encoding="utf-8",
                  errors="replace") as out, open(os.path.join(scratch, "%d.err" % index),
                                                 encoding="utf-8", errors="replace") as err:
            yield command, "\n".join(expected), out.read() + err.read()


def main():
    arguments = sys.argv[1:]
    only = None
    if "--only" in arguments:
        only = arguments[arguments.index("--only") + 1]
        del arguments[arguments.index("--only"):arguments.index("--only") + 2]
    source, bin_dirs = arguments[0], arguments[1:]
    documents = [os.path.join(source, "README.md")]
    for folder, suffix in (("docs", ".md"), ("man", ".scd")):
        documents += sorted(os.path.join(source, folder, name)
                            for name in os.listdir(os.path.join(source, folder))
                            if name.endswith(suffix))
    if only:
        documents = [d for d in documents if d.endswith(only)]
    environment = dict(os.environ)
    environment["PATH"] = ":".join([os.path.abspath(d) for d in bin_dirs] + [os.environ["PATH"]])
    failures, ran, skipped = 0, 0, 0
    for document in documents:
        name = os.path.relpath(document, source)
        for commands in blocks_of(document):
            scratch = tempfile.mkdtemp(prefix="doc-examples-")
            try:
                os.symlink(os.path.join(os.path.abspath(source), "docs"),
                           os.path.join(scratch, "docs"))
                for command, expected, actual in run_block(commands, scratch, environment):
                    ran += 1
                    if expected is None:  # the viewer: actual is the problem, if any
                        if actual == "skip":
                            skipped += 1
                        elif actual:
                            failures += 1
                            print("FAIL %s: $ %s\n  %s" % (name, command, actual))
                        continue
                    if normalized(expected) != normalized(actual):
                        failures += 1
                        print("FAIL %s: $ %s\n  the document shows:\n%s\n  it printed:\n%s" % (
                            name, command, expected, actual.rstrip("\n")))
            finally:
                shutil.rmtree(scratch)
    print("%d examples run, %d failed, %d skipped (no display)" % (ran, failures, skipped))
    if skipped and os.environ.get("BEZIER_REQUIRE_DISPLAY"):
        print("FAIL: BEZIER_REQUIRE_DISPLAY is set but there is no display")
        return 1
    if ran == 0:
        print("FAIL: no examples found")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
