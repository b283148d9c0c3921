#!/usr/bin/env python3
"""Writes the golden binary ("BMOA") and compressed ("ZMOA") script bundles
from the documented byte layout, independently of the engine's writer.

Binary form: a 16-byte zero-padded magic, the version as a big-endian u32,
then each value as a one-byte type code and its big-endian payload.
Compressed form: the magic, the version and the inflated size as
little-endian u32s, 4 unread bytes, then zlib's compression of the values.

The bundle holds the same content as moacode_text.mwb, which is written by
hand in the text form.
"""
import struct
import zlib

S32, U32, S64, BIT32, STR, LIST, END = 5, 6, 7, 21, 26, 32, 33


def s32(v): return bytes([S32]) + struct.pack('>i', v)
def u32(v): return bytes([U32]) + struct.pack('>I', v)
def s64(v): return bytes([S64]) + struct.pack('>q', v)
def bit32(v): return bytes([BIT32]) + struct.pack('>I', v)
def text(s):
    b = s.encode('utf-8')
    return bytes([STR]) + struct.pack('>I', len(b)) + b + b'\0'
def begin(n): return bytes([LIST]) + struct.pack('>I', n)
end = bytes([END])


def label(name, line, pos, script):
    return text(name) + s32(line) + s32(pos) + text(script) + s32(0)


def token(type_and_scope, integer=0, positions=None, string=None):
    flags = (1 if integer else 0) | (2 if positions else 0) | (4 if string is not None else 0)
    out = bit32(flags) + u32(type_and_scope)
    if integer:
        out += s64(integer)
    if positions:
        for line, pos in positions:
            out += s32(line) + s32(pos)
    if string is not None:
        out += text(string)
    return out


def line(*tokens):
    return begin(len(tokens)) + b''.join(tokens) + end


VAR = 9 | (6 << 16)  # a variable token of scope GLOBAL_INGAME
NONE = (0, -1)
values = (
    begin(1) + label('start', 0, 0, 'main') + end
    + begin(1) + text('score') + s32(-1) + s32(6) + u32(7) + s64(10) + text('main') + s32(1) + end
    + begin(1) + text('trace') + s32(5) + s32(-1) + s32(1) + end
    + begin(1) + text('main')
    + begin(1) + label('@loop', 1, 0, 'main') + end
    + begin(0) + end
    + begin(6)
    + line(token(7, string='start'))
    + line(token(VAR, string='score'), token(69), token(VAR, string='score'), token(48), token(3, 1))
    + line(token(27, positions=[NONE, (2, 2), NONE, NONE]), token(40), token(VAR, string='score'), token(41),
           token(36, positions=[(4, 0), NONE, NONE, NONE]))
    + line(token(1, 5, string='trace'), token(40), token(VAR, string='score'), token(41))
    + line(token(37, 3))
    + line(token(8, string='こんにちは'))
    + end + end
    + text('END_MARKER')
)

magic = lambda m: m.encode('ascii').ljust(16, b'\0')
with open('moacode_binary.mwb', 'wb') as f:
    f.write(magic('BMOA') + struct.pack('>I', 100) + values)
with open('moacode_compressed.mwb', 'wb') as f:
    f.write(magic('ZMOA') + struct.pack('<I', 100) + struct.pack('<I', len(values)) + b'\0\0\0\0'
            + zlib.compress(values))
