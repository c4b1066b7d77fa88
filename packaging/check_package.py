#!/usr/bin/env python3
"""Checks a packaged folder before it is zipped: what the program needs
beside it is there, every executable is stripped and built for the package's
architecture (i686, the shipped one, unless named) and Varnoq.exe within 1 MB,
the guide's pictures are there and it names each stand-in as one, and the
installer installs every packaged file and its uninstaller removes each
again, except the user's def.kfd.

    check_package.py STAGE INSTALLER_SCRIPT [i686|x86_64]
"""
import re
import struct
import sys
from pathlib import Path

FILES = ["Varnoq.exe", "KeyboardService.exe", "TORVEL32.DLL", "TORSTR.DLL", "TORGFX.DLL",
         "Q5.bmp", "Q5Mask.bmp", "def.kfd", "Guide.html", "language/TORLANG.DLL"]
STAND_INS = ["KeyboardService.exe", "TORVEL32.DLL", "TORSTR.DLL", "TORGFX.DLL"]
MAX_PROGRAM = 1024 * 1024
USER_DATA = {"def.kfd"}


# The machine field of a PE file's header for each architecture we build.
MACHINES = {"i686": 0x14C, "x86_64": 0x8664}


def machine(path):
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<H", data, pe + 4)[0]


def unstripped(path):
    """Why a PE file still carries debugging information, or None."""
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    symbols, count = struct.unpack_from("<II", data, pe + 12)
    if count:
        return f"{count} symbols"
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    optional = struct.unpack_from("<H", data, pe + 20)[0]
    for i in range(sections):
        name = data[pe + 24 + optional + 40 * i:][:8].rstrip(b"\0")
        if name.startswith(b"/"):  # a long name, kept in the string table
            start = symbols + int(name[1:])
            name = data[start:data.index(b"\0", start)]
        if name.startswith(b".debug"):
            return "section " + name.decode()
    return None


def main(stage, script, arch="i686"):
    stage, problems = Path(stage), []
    for name in FILES:
        if not (stage / name).is_file():
            problems.append(f"{name} is missing")
    for exe in sorted(stage.rglob("*")):
        if exe.suffix.lower() in (".exe", ".dll"):
            why = unstripped(exe)
            if why:
                problems.append(f"{exe.relative_to(stage)} is not stripped: {why}")
            if machine(exe) != MACHINES[arch]:
                problems.append(f"{exe.relative_to(stage)} is not built for {arch} (machine {machine(exe):#x})")
    program = stage / "Varnoq.exe"
    if program.is_file() and program.stat().st_size > MAX_PROGRAM:
        problems.append(f"Varnoq.exe has {program.stat().st_size} bytes, more than {MAX_PROGRAM}")

    guide = (stage / "Guide.html").read_text(encoding="utf-8") if (stage / "Guide.html").is_file() else ""
    for picture in re.findall(r'src="([^"]+)"', guide):
        if not (stage / picture).is_file():
            problems.append(f"the guide shows {picture}, which is not packaged")
    rows = re.findall(r"<tr>.*?</tr>", guide, re.S)
    for name in STAND_INS:
        if not any(name in row and "stand-in" in row for row in rows):
            problems.append(f"the guide does not name {name} as a stand-in")

    text = Path(script).read_text(encoding="utf-8")
    install, _, uninstall = text.partition('Section "Uninstall"')
    installed = {Path(f.replace("\\", "/")).name for f in re.findall(r'File "\$\{STAGE\}\\([^"*]+)"', install)}
    removed = {Path(f.replace("\\", "/")).name for f in re.findall(r'Delete "\$INSTDIR\\([^"]+)"', uninstall)}
    for f in sorted(stage.iterdir()):
        if f.is_file() and f.name not in installed:
            problems.append(f"the installer does not install {f.name}")
    for name in sorted(installed - USER_DATA - removed):
        problems.append(f"the uninstaller leaves {name} behind")
    for name in sorted(USER_DATA & removed):
        problems.append(f"the uninstaller deletes the user's {name}")

    for p in problems:
        print("package:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4) or (len(sys.argv) == 4 and sys.argv[3] not in MACHINES):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
