#!/usr/bin/env python3
"""Reads the to-do list the way a screen reader does: through the AT-SPI bus.

Usage: atspi_cells.py PELLMARK. Run inside an X server with the accessibility bus up
(with-xvfb with-atspi-bus ...). The program runs from a copy in a folder of its own, since it writes its column layout
file beside itself, with settings that show the Done and Subject columns.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

TIMEOUT = 30.0


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        found = probe()
        if found is not None:
            return found
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def find_application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away while we looked
            continue
    return None


def find_table(app):
    """The first table below the application, breadth first."""
    queue = [app]
    try:
        while queue:
            node = queue.pop(0)
            if node.getRole() == pyatspi.ROLE_TABLE:
                return node
            # A table's children are its cells; only other nodes are searched.
            queue.extend(node.getChildAtIndex(i) for i in range(node.childCount))
    except Exception:  # the tree changed while we walked it
        return None
    return None


def main():
    if len(sys.argv) != 2:
        fail("usage: atspi_cells.py PELLMARK")
    folder = tempfile.mkdtemp(prefix="atspi-", dir=os.environ.get("HOME"))
    program = os.path.join(folder, "pellmark")
    shutil.copy(sys.argv[1], program)
    # A fresh start shows no columns: switch on the done check and the subject.
    settings = os.path.join(os.environ["XDG_CONFIG_HOME"], "Pellmark")
    os.makedirs(settings, exist_ok=True)
    with open(os.path.join(settings, "Pellmark.conf"), "w", encoding="utf-8") as conf:
        conf.write("[Settings]\nvDone=1\nvSubj=1\n")
    process = subprocess.Popen([program])
    try:
        app = wait_for("the program on the accessibility bus",
                       lambda: find_application(process.pid))
        table = wait_for("the to-do table", lambda: find_table(app))
        grid = table.queryTable()
        if grid.nRows != 2:
            fail("expected the two sample rows, found %d" % grid.nRows)
        captions = [grid.getColumnDescription(c) for c in range(grid.nColumns)]
        if "Subject" not in captions:
            fail("no Subject column among %s" % captions)
        subject = captions.index("Subject")
        names = [grid.getAccessibleAt(row, subject).name for row in range(grid.nRows)]
        if names != ["Subject: Using Pellmark", "Subject: Manual"]:
            fail("subject cells read %s" % names)
        cell = grid.getAccessibleAt(0, subject)
        if cell.getRole() != pyatspi.ROLE_TABLE_CELL:
            fail("a cell has the role %s" % cell.getRoleName())
        print("read %s and %s through AT-SPI" % tuple(names))
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
