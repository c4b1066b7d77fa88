#!/usr/bin/env python3
"""Writes the seed corpora of the hot-spot fuzzers: map files (hotmap),
"Spots" streams (spots) and "MaskItems" streams (maskitems), valid ones and
the damaged shapes the readers must survive."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
from make_keymap import KEY_MAP, mask_items_stream, spots_stream  # noqa: E402

MAPS = {
    "default-keys.hmt": "".join(
        '<ID=%d SHAPE=rectangle COORDS="%d,%d %d,%d" MOUSEOVER="%d,%d">\r\n' % (i, l, t, r, b, l, t)
        for i, l, t, r, b in KEY_MAP).encode(),
    "shapes.hmt": b'<ID=3 HINT="""Hi""" SHAPE=ellipse COORDS="50,10 10,40">\r\n'
                  b'<COORDS="0,0 10,0 10,10 0,10" DISABLED MOUSEDOWN="7,8">\r\n'
                  b'<SHAPE=RECTANGLE COORDS="5,5"> text <ID=$1F HINT=bare>\r\n',
    "line-ends.hmt": b'<HINT="one\rtwo\nthree\r\nfour"\r\nID\r\n=\r\n-12>\n<ID=x10>\x1a<ID=9>',
    "malformed.hmt": b'<ID 5 HINT SHAPE> <HINT=> <ID >HINT=lost <COORDS=10,20 MOUSEOVER=,> <ID="open',
}


def i32(*values):
    return struct.pack("<%di" % len(values), *values)


def spot_record(shape, key_id, enabled, hint, geometry):
    return struct.pack("<BiBi", shape, key_id, enabled, len(hint)) + hint + geometry


SPOTS = {
    "default-keys.bin": spots_stream(KEY_MAP),
    "mixed.bin": i32(0, 3)
    + spot_record(0, 1, 1, b"poly", i32(3, 0, 0, 10, 0, 5, 9))
    + spot_record(2, 2, 0, b"", i32(1, 2, 30, 40))
    + spot_record(9, 3, 1, b"odd shape", i32(4, 3, 2, 1)),
    "older-layout.bin": i32(2) + i32(11) + b"\x01" + i32(2) + b"hi" + i32(2, 1, 2, 3, 4)
    + i32(12) + b"\x00" + i32(0, 0),
    "huge-count.bin": i32(0, 0x7FFFFFFF),
    "huge-hint.bin": i32(0, 1) + struct.pack("<BiBi", 1, 1, 1, 0x7FFFFFF0),
    "cut.bin": spots_stream(KEY_MAP)[:100],
}

MASKS = {
    "default-keys.bin": b"\x12" + mask_items_stream(KEY_MAP),
    "wide-items.bin": b"\x02" + i32(20, 2) + i32(0) + b"\x01" + i32(1, 2, 3, 4, -1)
    + i32(1) + b"\x02" + i32(5, 6, 7, 8, -1),
    "narrow-items.bin": b"\x02" + i32(8, 2) + i32(0) + b"\x01" + i32(9, 10) + i32(1) + b"\xff" + i32(11, 12),
    "missing-spots.bin": b"\x01" + i32(16, 3, -1) + i32(5) + b"\x01" + i32(1, 1, 1, 1) + i32(0) + b"\x00" + i32(0, 0, 0, 0),
    "huge-size.bin": b"\x01" + i32(0x7FFFFFFF, 1, 0) + b"\x01",
}


def write_all(folder, files):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


def main():
    write_all("hotmap", MAPS)
    write_all("spots", SPOTS)
    write_all("maskitems", MASKS)


if __name__ == "__main__":
    main()
