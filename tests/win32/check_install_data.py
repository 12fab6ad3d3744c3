#!/usr/bin/env python3
"""Checks the launcher-line data files: CINSTALL.bin ... GINSTALL.bin in the given folder.

Each must hold exactly the line that starts the installed program on its disk, in GBK (the
code page cmd.exe reads a batch file in on a Chinese system), with the drive letter in lower
case and no line end. Exits 1 with one line per fault.
"""

import pathlib
import sys

PROGRAM = "澄岚汽车用品销售工作系统.exe"


def main():
    folder = pathlib.Path(sys.argv[1])
    faults = []
    for letter in "cdefg":
        path = folder / f"{letter.upper()}INSTALL.bin"
        expected = f"start {letter}:\\duzozudiv\\duzozudiv\\{PROGRAM}".encode("gbk")
        actual = path.read_bytes() if path.exists() else None
        if actual is None:
            faults.append(f"{path}: missing")
        elif len(actual) != 57 or actual != expected:
            faults.append(f"{path}: {len(actual)} bytes {actual!r}, not the 57 bytes {expected!r}")
    for fault in faults:
        print(fault)
    if not faults:
        print(f"{folder}: five launcher lines, 57 GBK bytes each")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
