#!/usr/bin/env python3
"""Encodes the default key map as the stored value of the keyboard image.

    python3 tools/make_keymap.py           writes resources/DefaultKeyMap.inc
    python3 tools/make_keymap.py --check   exit 1 when the file is out of date

The key rectangles come from tools/make_art.py (KEY_MAP), the same table the
keyboard pictures Q5.bmp and Q5Mask.bmp are drawn from, so the stored spots
and the pictures cannot drift apart. Every key is an enabled rectangle with
no hint whose mask item lights it on hover from the mask picture at its own
place (mouse-over offset = its Left, Top; mouse-down offset 0, 0; a press
shows the hover look).

The output is the keyboard image's block of the main window's layout,
"HotImage1: THotImage" with its two byte streams, ready to be pasted into
the "Panel5" block of resources/QorVarnoqForm.layout.
"""

import os
import struct
import sys

sys.dont_write_bytecode = True  # no cache folder in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_art import KEY_MAP, ROOT, STRIP_H, STRIP_W  # noqa: E402

OUTPUT = "resources/DefaultKeyMap.inc"

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


def hex_block(data, indent, per_line=32):
    lines = []
    for i in range(0, len(data), per_line):
        lines.append(indent + data[i:i + per_line].hex().upper())
    return "{\n" + "\n".join(lines) + "}"


def layout_block():
    spots = spots_stream(KEY_MAP)
    masks = mask_items_stream(KEY_MAP)
    assert len(spots) == 476 and len(masks) == 386, (len(spots), len(masks))
    inner = "      "
    return "\n".join([
        "    object HotImage1: THotImage",
        "      Left = 1",
        "      Top = 1",
        "      Width = %d" % STRIP_W,
        "      Height = %d" % STRIP_H,
        "      Align = alTop",
        "      AutoSize = True",
        "      Center = True",
        "      Stretch = True",
        "      HotCursor = crHandPoint",
        "      OnClick = HotImage1Click",
        "      HotSpots.Spots = " + hex_block(spots, inner + "  "),
        "      HotSpots.MaskItems = " + hex_block(masks, inner + "  "),
        "    end",
        "",
    ])


def main():
    text = layout_block()
    path = os.path.join(ROOT, OUTPUT)
    if "--check" in sys.argv[1:]:
        with open(path, "r", newline="") as f:
            current = f.read()
        if current != text:
            print("%s is out of date; run tools/make_keymap.py" % OUTPUT)
            return 1
        return 0
    with open(path, "w", newline="\n") as f:
        f.write(text)
    print("wrote %s (Spots 476 bytes, MaskItems 386 bytes, %d keys)" % (OUTPUT, len(KEY_MAP)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
