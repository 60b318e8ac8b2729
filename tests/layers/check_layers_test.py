#!/usr/bin/python3
"""The layering check finds each kind of fault in a small tree built to break every rule once
(faulty/), and nothing else there; given a binary that links Qt Widgets, it names that too.

Usage: check_layers_test.py --qtcore DIR [--widgets-binary BINARY]
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402

EXPECTED = {
    "engine/Bad.h:3",  # engine includes data
    "engine/Bad.h:4",  # engine includes Qt
    "data/Bad.cpp:2",  # data includes Qt Widgets
    "data/Bad.cpp:4",  # data includes screen
    "screen/Bad.cpp:3",  # screen includes a window folder
    "accounts/Ops.cpp:2",  # an operation includes Qt Widgets
    "accounts/Ops.cpp:4",  # an operation includes its folder's windows
    "accounts/Ops.cpp:5",  # an operation includes screen
    "entry/EntryU.cpp:2",  # a window includes another folder's windows
    "entry/EntryU.cpp:3",  # a window includes app
    "entry/EntryU.cpp:4",  # a window includes cli
    "cli/Bad.cpp:2",  # cli includes Qt Widgets
    "cli/Bad.cpp:4",  # cli includes the engine's file operations
    "cli/Bad.cpp:5",  # cli includes screen
    "screen/Bad.cpp:4",  # screen includes the engine's file operations
    "accounts/Ops.cpp:7",  # an operation includes the engine's file operations
    "entry/EntryU.cpp:5",  # a window includes the engine's file operations
    "app/Main.cpp:4",  # app includes the engine's file operations
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qtcore", required=True)
    parser.add_argument("--widgets-binary")
    args = parser.parse_args()
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "faulty")
    faults = check_layers.check(os.path.join(here, "src"), os.path.join(here, "ops.txt"),
                                args.qtcore)
    found = {f.split(": ", 1)[0] for f in faults}
    ok = True
    for missing in sorted(EXPECTED - found):
        print("not found: %s" % missing)
        ok = False
    for extra in sorted(found - EXPECTED):
        print("found where the layers hold: %s" % extra)
        ok = False
    if len(faults) != len(found):
        print("a line reported twice")
        ok = False
    if args.widgets_binary:
        linked = check_layers.check_cli(args.widgets_binary)
        if not any("libQt6Widgets" in f for f in linked):
            print("%s links Qt Widgets, but the check did not say so" % args.widgets_binary)
            ok = False
    print("the check finds every fault" if ok else "the check is wrong")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
