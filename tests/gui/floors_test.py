#!/usr/bin/env python3
"""The program's folders include one another in one direction only.

The GUI is built in floors, each folder one floor: base (ids, the title, the
palette, drawing helpers and small widgets that know no document), document
(the window side of a document), panes (the view, the side panel, the bars
and the dialogs), app (the application and the main window). A file may
include files of its own floor and of the floors below it, never above; and
the core includes neither the GUI nor Qt. Prints every include that breaks
the rule and fails when there is one.
"""
import pathlib
import re
import sys

FLOORS = ["base", "document", "panes", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def main(source):
    broken = []
    gui = source / "gui"
    for path in sorted(gui.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        floor = path.relative_to(gui).parts[0]
        if floor not in FLOORS:
            broken.append(f"{path}: lies in no floor ({', '.join(FLOORS)})")
            continue
        for included in INCLUDE.findall(path.read_text()):
            parts = included.split("/")
            if parts[0] != "gui":
                continue
            if len(parts) < 3 or parts[1] not in FLOORS:
                broken.append(f"{path}: includes {included}, which lies in no floor")
            elif FLOORS.index(parts[1]) > FLOORS.index(floor):
                broken.append(f"{path}: on floor {floor}, includes {included} from the floor above")
    for path in sorted((source / "core").rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        for included in INCLUDE.findall(path.read_text()):
            if included.startswith("gui/") or re.match(r"Q[A-Za-z]", included):
                broken.append(f"{path}: the core includes {included}")
    for line in broken:
        print(line)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
