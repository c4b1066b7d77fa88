"""Writes generated binary properties into a layout file, for the generators
that own them (tools/make_art.py, tools/make_keymap.py), and checks that a
layout still holds what they make.

A generator owns some properties of one named object; everything else in the
layout (the object's other properties, its children, other objects) is kept
as it stands.
"""

import os

LAYOUT = "resources/QorVarnoqForm.layout"


def hex_block(data, indent, per_line=32):
    """A binary value as layouts write it: hex lines, the brace on the last."""
    lines = [indent + data[i:i + per_line].hex().upper() for i in range(0, len(data), per_line)]
    return "{\n" + "\n".join(lines) + "}"


def with_properties(layout, name, owned, props):
    r"""The layout text with the owned properties of object `name` replaced
    by `props` (name, bytes), in their order, where the first owned one stood
    (else after the object's own properties, before its children). Owned
    properties missing from `props` are removed.

    >>> text = ("object F: TForm\n  object I: TImage\n    Left = 1\n"
    ...         "    P.Data = {\n      00\n      01}\n    object C: TImage\n"
    ...         "      P.Data = {\n        02}\n    end\n  end\nend\n")
    >>> print(with_properties(text, "I", ["P.Data"], [("P.Data", b"\xab")]), end="")
    object F: TForm
      object I: TImage
        Left = 1
        P.Data = {
          AB}
        object C: TImage
          P.Data = {
            02}
        end
      end
    end
    >>> with_properties(text, "I", ["P.Data"], []).split("\n")[2:4]
    ['    Left = 1', '    object C: TImage']
    >>> with_properties(text, "X", [], [])
    Traceback (most recent call last):
    ValueError: no object X in the layout
    """
    lines = layout.split("\n")
    head = [i for i, line in enumerate(lines) if line.strip().startswith("object " + name + ":")]
    if len(head) != 1:
        raise ValueError("no object %s in the layout" % name)
    first = head[0]
    outer = lines[first][:len(lines[first]) - len(lines[first].lstrip())]
    indent = outer + "  "
    kept, at, i = lines[:first + 1], None, first + 1
    while lines[i] != outer + "end":
        line = lines[i]
        own_level = line.startswith(indent) and not line.startswith(indent + " ")
        word = line.strip().split(" ")[0]
        if own_level and word in owned:
            at = len(kept) if at is None else at
            while "{" in line and "}" not in lines[i]:
                i += 1
        else:
            if own_level and word == "object" and at is None:
                at = len(kept)  # new properties go before the first child
            kept.append(line)
        i += 1
    at = len(kept) if at is None else at
    generated = [indent + prop + " = " + hex_block(value, indent + "  ") for prop, value in props]
    return "\n".join(kept[:at] + generated + kept[at:] + lines[i:])


def write_or_check(root, transform, check, tool):
    """Applies transform(text) to the layout; with check, only reports
    whether the layout already equals the result. Returns the exit code."""
    path = os.path.join(root, LAYOUT)
    with open(path, "r", newline="") as f:
        current = f.read()
    text = transform(current)
    if check:
        if text != current:
            print("%s is out of date; run %s" % (LAYOUT, tool))
        return 0 if text == current else 1
    if text != current:
        with open(path, "w", newline="") as f:
            f.write(text)
    return 0
