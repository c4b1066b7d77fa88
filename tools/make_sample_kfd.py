#!/usr/bin/env python3
"""Writes a sample key-function data file with one record for each of the
18 extra keys, in a mix of the three modes, so that the program run from its
build folder shows a working Keys page.

    python3 tools/make_sample_kfd.py OUT_FILE

Factory keys keep their function; special keys run one of the eight special
functions (1001 to 1008); custom keys open a program or folder that every
Windows (and Wine) has. Key 15, the one the window opens on, is custom.
"""

import struct
import sys

sys.dont_write_bytecode = True  # no cache folder in the tree

HEADER_RESERVED = 1024
RECORD_RESERVED = 5
TEXT_CHARS = 255

# KeyId: ("factory",) | ("special", identifier) | ("custom", name, path)
SAMPLE = {
    1: ("factory",), 2: ("special", 1003), 3: ("factory",),
    4: ("custom", "Windows folder", "C:\\windows"),
    5: ("factory",), 6: ("factory",),
    7: ("special", 1008), 8: ("factory",), 9: ("factory",),
    10: ("special", 1002), 11: ("factory",), 12: ("factory",),
    13: ("special", 1001), 14: ("factory",),
    15: ("custom", "Notepad", "C:\\windows\\notepad.exe"),
    16: ("custom", "Command prompt", "C:\\windows\\system32\\cmd.exe"),
    17: ("special", 1005), 18: ("factory",),
}


def short_string(text):
    """A length byte and 255 characters, the unused ones zero.

    >>> short_string("ab")[:4]
    b'\\x02ab\\x00'
    >>> len(short_string("x" * 300))
    256
    """
    data = text.encode("cp1252")[:TEXT_CHARS]
    return bytes([len(data)]) + data.ljust(TEXT_CHARS, b"\0")


def record(key_id, mode):
    use_default, special, name, path = 1, 0, "", ""
    if mode[0] == "special":
        use_default, special = 0, mode[1]
    elif mode[0] == "custom":
        use_default, name, path = 0, mode[1], mode[2]
    data = struct.pack("<i", key_id) + bytes(RECORD_RESERVED) + struct.pack("<Bi", use_default, special)
    return data + short_string(name) + short_string(path)


def sample_file():
    """The whole file: header, then the records by key.

    >>> len(sample_file()) == 1293 + 18 * 526
    True
    """
    header = struct.pack("<Bd", 0, 0.0) + bytes(HEADER_RESERVED) + short_string("Default")
    header += struct.pack("<i", len(SAMPLE))
    return header + b"".join(record(key, SAMPLE[key]) for key in sorted(SAMPLE))


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    with open(argv[1], "wb") as out:
        out.write(sample_file())


if __name__ == "__main__":
    main(sys.argv)
