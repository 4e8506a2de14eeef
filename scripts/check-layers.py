#!/usr/bin/env python3
"""Checks every #include of the tree against the layer matrix.

A file's layer is its top folder (tests/<layer>/... and bench/, fuzz/ have rules of their own). A
quoted include "<folder>/<file>" names the layer it reaches; it must be the file's own layer or one
the layer may use. Layers without Qt must not include Qt headers either. Exits 1 and lists every
offending line when any include breaks the rule; --self-test checks the checker on a small tree.

It also finds circles between the components of the program's layers: a component is a header
and its source (Foo.h with Foo.cpp), and A uses B when a file of A includes B's header. A circle
(A uses B, B uses A, directly or through others) makes the parts impossible to read, test or
replace one at a time, so each is listed as a fault.
"""
import os
import re
import sys
import tempfile

# What each layer may include besides itself: the arrows app -> core, inspector, engine -> platform;
# provider -> engine -> platform; tools -> core; browser -> inspector. A layer may use whatever the
# layers it uses may use.
USES = {
    "platform": set(),
    "engine": {"platform"},
    "inspector": {"engine"},
    "core": {"engine"},
    "provider": {"engine"},
    "app": {"core", "inspector", "engine"},
    "tools": {"core"},
    "browser": {"inspector"},
}
QT_LAYERS = {"app"}
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Q[A-Za-z0-9]*(/|$)|^Qt[A-Za-z]+/")


def Closure(layer):
    seen, todo = set(), [layer]
    while todo:
        current = todo.pop()
        if current in seen:
            continue
        seen.add(current)
        todo.extend(USES[current])
    return seen


def RulesFor(path):
    """The layers a file may include, the test folders it may include, and whether Qt is allowed;
    None for files outside the layered tree."""
    parts = path.split("/")
    top = parts[0]
    if top in USES:
        return Closure(top), set(), top in QT_LAYERS
    if top == "tests" and len(parts) > 2:
        layer = parts[1]
        if layer == "support":
            # Shared helpers of every test: nothing above the core, no Qt.
            return Closure("core"), {"support"}, False
        if layer in USES:
            allowed = Closure(layer)
            # The whole program end to end: the tray tests also run the provider in curl.
            if layer == "app":
                allowed = allowed | {"provider"}
            return allowed, allowed | {"support"}, layer in QT_LAYERS
        return None
    if top == "bench":
        return set(USES), set(USES) | {"support"}, True
    if top == "fuzz":
        # The fuzz build has no Qt: nothing of the tray program's windows.
        allowed = set(USES) - QT_LAYERS
        return allowed, set(), False
    return None


def Check(root):
    faults = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and d != "build")
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            full = os.path.join(folder, name)
            relative = os.path.relpath(full, root).replace(os.sep, "/")
            if relative.startswith("build"):
                continue
            rules = RulesFor(relative)
            if rules is None:
                continue
            layers, testFolders, qtAllowed = rules
            with open(full, encoding="utf-8", errors="replace") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    kind, target = match.groups()
                    fault = None
                    if kind == "<":
                        if not qtAllowed and QT_HEADER.match(target):
                            fault = "Qt header in a layer without Qt"
                    elif target.startswith("../") or "/../" in target:
                        fault = "include that climbs out of its folder"
                    elif "/" in target:
                        first = target.split("/")[0]
                        if first == "tests":
                            second = target.split("/")[1]
                            if second not in testFolders:
                                fault = "test helper of a layer it may not use"
                        elif first in USES and first not in layers:
                            fault = "layer it may not use"
                    if fault:
                        faults.append(f"{relative}:{number}: {target}: {fault}")
    return faults


# The layers whose components must not form circles: everything a program is built from.
PROGRAM_LAYERS = ("platform", "engine", "inspector", "core", "provider", "app", "tools", "browser")


def ComponentCircles(root):
    uses = {}
    for layer in PROGRAM_LAYERS:
        for folder, dirs, files in os.walk(os.path.join(root, layer)):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                full = os.path.join(folder, name)
                component = os.path.splitext(os.path.relpath(full, root).replace(os.sep, "/"))[0]
                with open(full, encoding="utf-8", errors="replace") as source:
                    for line in source:
                        match = INCLUDE.match(line)
                        if not match or match.group(1) != '"':
                            continue
                        target = os.path.splitext(match.group(2))[0]
                        if target != component and os.path.exists(os.path.join(root, match.group(2))):
                            uses.setdefault(component, set()).add(target)
    # Tarjan's strongly connected components, without recursion.
    index, low, onStack, stack, circles = {}, {}, set(), [], []
    for start in sorted(uses):
        if start in index:
            continue
        work = [(start, iter(sorted(uses.get(start, ()))))]
        index[start] = low[start] = len(index)
        stack.append(start)
        onStack.add(start)
        while work:
            node, targets = work[-1]
            advanced = False
            for target in targets:
                if target not in index:
                    index[target] = low[target] = len(index)
                    stack.append(target)
                    onStack.add(target)
                    work.append((target, iter(sorted(uses.get(target, ())))))
                    advanced = True
                    break
                if target in onStack:
                    low[node] = min(low[node], index[target])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                members = []
                while True:
                    member = stack.pop()
                    onStack.discard(member)
                    members.append(member)
                    if member == node:
                        break
                if len(members) > 1:
                    circles.append(sorted(members))
    return [f"{' <-> '.join(circle)}: components that use each other" for circle in sorted(circles)]


def SelfTest():
    cases = {
        "platform/Good.h": '#include "platform/Other.h"\n#include <string>\n',
        "engine/Good.cpp": '#include "platform/WinTypes.h"\n',
        "core/Good.cpp": '#include "engine/DetectionRecord.h"\n#include "platform/Registry.h"\n',
        "app/Good.cpp": '#include "core/X.h"\n#include "inspector/Y.h"\n#include <QWidget>\n',
        "tools/hkx/Good.cpp": '#include "core/X.h"\n#include "engine/Z.h"\n',
        "tests/core/area/Good.cpp": '#include "tests/support/S.h"\n#include "tests/engine/e/F.h"\n',
        "engine/BadUp.cpp": '#include "app/TrayApp.h"\n',
        "engine/BadCore.cpp": '#include "core/FileNames.h"\n',
        "provider/BadInspector.cpp": '#include "inspector/HTMLSourceParser.h"\n',
        "tools/hkx/BadApp.cpp": '#include "app/MainWindow.h"\n',
        "core/BadQt.cpp": "#include <QString>\n",
        "platform/BadClimb.cpp": '#include "../engine/X.h"\n',
        "tests/core/area/BadTests.cpp": '#include "tests/app/trayapp/T.h"\n',
        "tests/platform/area/BadLayer.cpp": '#include "core/FileNames.h"\n',
        "fuzz/BadApp.cpp": '#include "app/TrayApp.h"\n',
        "core/CircleA.h": '#include "core/CircleB.h"\n',
        "core/CircleB.cpp": '#include "core/CircleB.h"\n#include "core/CircleA.h"\n',
        "core/CircleB.h": "",
    }
    with tempfile.TemporaryDirectory() as root:
        for relative, text in cases.items():
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as out:
                out.write(text)
        faults = Check(root) + ComponentCircles(root)
    flagged = {fault.split(":")[0] for fault in faults}
    expected = {name for name in cases if "/Bad" in name or name.startswith("fuzz/Bad")}
    expected.add("core/CircleA <-> core/CircleB")
    if flagged != expected:
        print("self-test failed: flagged", sorted(flagged), "expected", sorted(expected))
        return 1
    print(f"self-test passed: {len(expected)} faults found, nothing else flagged")
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return SelfTest()
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults = Check(root)
    circles = ComponentCircles(root)
    for fault in faults + circles:
        print(fault)
    if faults:
        print(f"{len(faults)} includes outside the layer matrix")
    if circles:
        print(f"{len(circles)} circles between components")
    if faults or circles:
        return 1
    print("every include keeps to the layer matrix, and no components use each other in a circle")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
