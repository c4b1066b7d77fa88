#!/usr/bin/env python3
"""Writes the seed corpus of the key-function file fuzzer: a few valid files
and the damaged shapes the reader must survive."""
import os
import struct
import sys

HEADER, RECORD = 1293, 526


def header(count, status=0):
    h = bytearray(HEADER)
    h[0] = status
    h[1:9] = struct.pack('<d', 46000.5)
    h[1033:1041] = b'\x07Default'
    h[1289:1293] = struct.pack('<i', count)
    return h


def record(key_id, use_default=1, special=0, name=b'', path=b''):
    r = bytearray(RECORD)
    r[0:4] = struct.pack('<i', key_id)
    r[9] = use_default
    r[10:14] = struct.pack('<i', special)
    r[14] = len(name)
    r[15:15 + len(name)] = name
    r[270] = len(path)
    r[271:271 + len(path)] = path
    return r


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    full = header(18) + b''.join(record(k) for k in range(1, 19))
    seeds = {
        'empty-header': header(0),
        'three-modes': header(3) + record(1) + record(2, 0, 1003) + record(15, 0, 0, b'Notes', b'C:\\notes.txt'),
        'eighteen-keys': full,
        'negative-count': header(-5),
        'huge-count': header(0x7FFFFFFF) + record(1),
        'cut-record': (header(2) + record(1) + record(2))[:-7],
        'cut-header': header(1)[:600],
    }
    for name, data in seeds.items():
        with open(os.path.join(out_dir, name + '.kfd'), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus', 'kfd'))
