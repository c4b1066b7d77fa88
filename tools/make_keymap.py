#!/usr/bin/env python3
"""Writes the default key map into the stored value of the main window's
keyboard image, the one copy the program, its tests and the language module
use.

    python3 tools/make_keymap.py           rewrites the map in the layout
    python3 tools/make_keymap.py --check   exit 1 when the layout's map is out
                                           of date (also runs the doctests)

The key rectangles come from tools/make_art.py (KEY_MAP), the same table the
keyboard pictures Q5.bmp and Q5Mask.bmp are drawn from, so the stored spots
and the pictures cannot drift apart. Every key is an enabled rectangle with
no hint whose mask item lights it on hover from the mask picture at its own
place (mouse-over offset = its Left, Top; mouse-down offset 0, 0; a press
shows the hover look).

Only the two stored-map properties, "HotSpots.Spots" and "HotSpots.MaskItems"
of "HotImage1" in resources/QorVarnoqForm.layout, belong to this script; the
image's other properties and event bindings are the layout's own.
"""

import os
import struct
import sys

sys.dont_write_bytecode = True  # no cache folder in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from layout_blocks import LAYOUT, with_properties, write_or_check  # noqa: E402
from make_art import KEY_MAP, ROOT, STRIP_H, STRIP_W  # noqa: E402

IMAGE = "HotImage1"
PROPERTIES = ("HotSpots.Spots", "HotSpots.MaskItems")

SHAPE_RECTANGLE = 1
HS_MOUSE_OVER = 1  # bit 0 of the States byte


def spots_stream(keys):
    """The "Spots" value: marker 0, count, one record per spot."""
    out = struct.pack("<ii", 0, len(keys))
    for key_id, left, top, right, bottom in keys:
        hint = b""
        out += struct.pack("<BiBi", SHAPE_RECTANGLE, key_id, 1, len(hint)) + hint
        out += struct.pack("<iiii", left, top, right, bottom)
    return out


def mask_items_stream(keys):
    """The "MaskItems" value: item size 16, count, one entry per spot."""
    out = struct.pack("<ii", 16, len(keys))
    for position, (_, left, top, _, _) in enumerate(keys):
        out += struct.pack("<iB", position, HS_MOUSE_OVER)
        out += struct.pack("<iiii", left, top, 0, 0)
    return out


def map_properties(keys):
    """The stored map's properties, as THotSpots stores them: "Spots" only when
    there is a spot, "MaskItems" only when some spot has a mask item (every
    key here has one).

    >>> map_properties([])
    []
    >>> [(name, len(value)) for name, value in map_properties(KEY_MAP[:1])]
    [('HotSpots.Spots', 34), ('HotSpots.MaskItems', 29)]
    """
    props = []
    if len(keys) > 0:
        props.append((PROPERTIES[0], spots_stream(keys)))
    if len(keys) > 0:  # every key has a mask item
        props.append((PROPERTIES[1], mask_items_stream(keys)))
    return props


def with_map(layout, keys):
    r"""The layout text with the keyboard image's stored map replaced.

    >>> with_map("object F: TForm\n  object HotImage1: THotImage\n    Left = 1\n"
    ...          "    HotSpots.Spots = {\n      00}\n  end\nend\n", []).split("\n")
    ['object F: TForm', '  object HotImage1: THotImage', '    Left = 1', '  end', 'end', '']
    """
    return with_properties(layout, IMAGE, PROPERTIES, map_properties(keys))


def main():
    check = "--check" in sys.argv[1:]
    failures = 0
    if check:
        import doctest
        import layout_blocks
        failures = doctest.testmod().failed + doctest.testmod(layout_blocks).failed
    code = write_or_check(ROOT, lambda text: with_map(text, KEY_MAP), check, "tools/make_keymap.py")
    if not check and code == 0:
        print("wrote the key map into %s (%d keys)" % (LAYOUT, len(KEY_MAP)))
    return 1 if failures or code else 0


if __name__ == "__main__":
    sys.exit(main())
