#!/usr/bin/python3
"""Checks that the code keeps its layers, so that a shortcut taken today fails a test at once.

Layers, lowest first: engine -> data -> screen and each folder's operations -> windows -> app.
 - engine/ includes only engine/ and the standard library, no Qt.
 - data/ includes engine/ and data/; of Qt only QtCore.
 - screen/ includes engine/, data/ and screen/.
 - A window folder's operations (the files of its kvl_<folder>_ops library) include engine/,
   data/ and operations of any folder; of Qt only QtCore and QtGui (the reports paint their
   pages on printers, PDF files and images), never Qt Widgets.
 - A window folder's windows include engine/, data/, screen/, their own folder and the operations
   of other folders, never another folder's windows, app/ or cli/.
 - cli/ includes engine/, data/, cli/ and operations; of Qt only QtCore and QtGui (a PDF report
   is drawn on the offscreen platform).
 - app/ may include anything, except as below.
 - Only engine/ and data/ include engine/Files.h: the engine's own file operations (and the fault
   plan that tests install there) are reached from above through the data store's operations.
And kvl-cli, when given, links no widgets (its dynamic section names no Qt Widgets or Qt Print
Support).

Usage: check_layers.py --src DIR --ops-list FILE --qtcore DIR [--qtgui DIR] [--cli BINARY]
The ops list names the operations' files relative to DIR, one a line; a header counts as an
operation when its .cpp does. Exit 0 when the layers hold, 1 with one line per fault.
"""

import argparse
import os
import re
import subprocess
import sys

BASE = {"engine", "data", "screen", "cli", "app"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
FORBIDDEN_IN_CLI = ("libQt6Widgets", "libQt6PrintSupport")
ENGINE_FILES = "engine/Files.h"


def is_ops(path, ops):
    stem, _ = os.path.splitext(path)
    return path in ops or stem + ".cpp" in ops


def allowed(folder, ops_file, target, target_path, ops):
    """Whether a file of folder (an operation when ops_file) may include target_path."""
    target_ops = is_ops(target_path, ops)
    if target_path == ENGINE_FILES and folder not in ("engine", "data"):
        return False
    if folder == "app":
        return True
    if folder == "engine":
        return target == "engine"
    if folder == "data":
        return target in ("engine", "data")
    if folder == "screen":
        return target in ("engine", "data", "screen")
    if folder == "cli":
        return target in ("engine", "data", "cli") or target_ops
    if target in ("engine", "data") or target_ops:
        return True
    if ops_file:
        return False
    return target == "screen" or target == folder


def in_module(header, module, include_dir):
    if header.startswith(module + "/"):
        return True
    return bool(include_dir) and "/" not in header and os.path.isfile(
        os.path.join(include_dir, header))


def qt_allowed(folder, ops_file, header, qtcore, qtgui=None):
    """Whether a file of folder may include the Qt header <header>."""
    if folder == "engine":
        return False
    if folder == "data":
        return in_module(header, "QtCore", qtcore)
    if folder == "cli" or ops_file:
        return in_module(header, "QtCore", qtcore) or in_module(header, "QtGui", qtgui)
    return True


def check_sources(src, ops, qtcore, qtgui=None):
    faults = []
    for folder in sorted(os.listdir(src)):
        root = os.path.join(src, folder)
        if not os.path.isdir(root):
            continue
        for dirpath, _, files in os.walk(root):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), src)
                faults += check_file(src, path, folder, is_ops(path, ops), ops, qtcore, qtgui)
    return faults


def check_file(src, path, folder, ops_file, ops, qtcore, qtgui=None):
    faults = []
    kind = "operation" if ops_file else ("file" if folder in BASE else "window")
    with open(os.path.join(src, path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            bracket, header = m.groups()
            where = "%s:%d" % (path, number)
            if bracket == '"' and "/" in header:
                target = header.split("/", 1)[0]
                if os.path.isdir(os.path.join(src, target)) or target in BASE:
                    if not allowed(folder, ops_file, target, header, ops):
                        faults.append('%s: %s of %s/ includes "%s"' % (where, kind, folder, header))
            elif bracket == "<" and re.match(r"Q[A-Za-z]", header):
                if not qt_allowed(folder, ops_file, header, qtcore, qtgui):
                    what = "Qt" if folder == "engine" else "a Qt header it may not use"
                    faults.append("%s: %s of %s/ includes %s <%s>" % (where, kind, folder, what, header))
    return faults


def check_cli(binary):
    try:
        out = subprocess.run(["readelf", "-d", binary], check=True, capture_output=True,
                             text=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        return ["%s: cannot read its dynamic section (%s)" % (binary, e)]
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", out)
    return ["%s: links %s" % (os.path.basename(binary), lib)
            for lib in needed if lib.startswith(FORBIDDEN_IN_CLI)]


def read_ops(path):
    with open(path, encoding="utf-8") as f:
        return {line.strip() for line in f if line.strip()}


def check(src, ops_list, qtcore, cli=None, qtgui=None):
    faults = check_sources(src, read_ops(ops_list), qtcore, qtgui)
    if cli:
        faults += check_cli(cli)
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--src", required=True)
    parser.add_argument("--ops-list", required=True)
    parser.add_argument("--qtcore", required=True, help="the QtCore include directory")
    parser.add_argument("--qtgui", help="the QtGui include directory")
    parser.add_argument("--cli", help="the kvl-cli binary")
    args = parser.parse_args()
    if not os.path.isfile(os.path.join(args.qtcore, "QString")):
        print("%s is not the QtCore include directory" % args.qtcore, file=sys.stderr)
        return 2
    faults = check(args.src, args.ops_list, args.qtcore, args.cli, args.qtgui)
    for fault in faults:
        print(fault)
    if faults:
        print("%d layering faults" % len(faults))
        return 1
    print("the layers hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
