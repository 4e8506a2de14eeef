#!/usr/bin/env python3
"""Checks that no program or library of ours carries a copy of the platform layer.

Usage: check-platform-copies.py PLATFORM_LIBRARY FILE...

Every function libhookwise_platform.so defines must be defined nowhere else: each FILE (programs,
the engine, the provider) must leave them undefined and reach them through the loader, which
resolves libhookwise_platform.so once per process. Exits 1 listing each file that holds a copy or
does not load the shared library.
"""
import subprocess
import sys


def DefinedFunctions(path, dynamic, kinds=("T",)):
    command = ["nm", "--defined-only", "--format=posix"] + (["-D"] if dynamic else []) + [path]
    result = subprocess.run(command, capture_output=True, text=True)
    names = set()
    for line in result.stdout.splitlines():
        fields = line.split()
        # Strong functions only: inline and template code may be emitted weakly by anybody.
        if len(fields) >= 2 and fields[1] in kinds:
            names.add(fields[0])
    return names


def LoadedLibraries(path):
    result = subprocess.run(["ldd", path], capture_output=True, text=True)
    return [line.split()[0] for line in result.stdout.splitlines() if line.strip()]


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    platform, files = argv[1], argv[2:]
    exported = DefinedFunctions(platform, dynamic=True)
    if len(exported) < 20:
        print(f"{platform} exports only {len(exported)} functions")
        return 1
    faults = 0
    for path in files:
        # A copy linked in statically is hidden there: look at the local functions as well.
        copies = exported & (DefinedFunctions(path, dynamic=False, kinds=("T", "t")) |
                             DefinedFunctions(path, dynamic=True))
        loaded = [name for name in LoadedLibraries(path) if name == "libhookwise_platform.so"]
        if copies:
            print(f"{path}: defines {len(copies)} platform functions, e.g. {sorted(copies)[:3]}")
            faults += 1
        elif len(loaded) != 1:
            print(f"{path}: loads libhookwise_platform.so {len(loaded)} times")
            faults += 1
        else:
            print(f"{path}: uses the shared platform layer")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
