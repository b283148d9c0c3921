#!/usr/bin/env python3
"""Builds the hand-made golden files of the content streams and the pack
archive straight from the documented byte layouts, independently of the
engine's writers. Run from this folder; the outputs are checked in."""
import struct

# (code, name, python value) in the order an object would store them.
VALUES = [
    (1, "m_S8", -2),
    (2, "m_U8", 200),
    (3, "m_S16", -2),
    (4, "m_U16", 4660),
    (5, "m_S32", -123456),
    (6, "m_U32", 3735928559),
    (7, "m_S64", -5000000000),
    (8, "m_U64", 0x0102030405060708),
    (9, "m_F32", 0.5),
    (10, "m_F64", -2.25),
    (11, "m_Bool", True),
    (12, "m_Vec2", (1.5, -2.0)),
    (13, "m_Vec3", (1.0, 2.0, 3.0)),
    (14, "m_Vec4", (0.25, 0.5, 0.75, 1.0)),
    (15, "m_Quat", (0.0, 0.0, 0.0, 1.0)),
    (16, "m_Color", (1.0, 0.5, 0.25, 1.0)),
    (17, "m_Matrix", (1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 10.0, 20.0, 30.0, 1.0)),
    (18, "m_Rect", (-1, 2, 300, 400)),
    (19, "m_FRect", (0.5, 1.5, 2.5, 3.5)),
    (21, "m_Flags", 0x80000001),
    (26, "m_Name", "abc"),
    (26, "m_Text", "a\"b\n日本\t\\'"),
    (27, "m_Data", bytes(range(33))),
    (27, "m_Empty", b""),
    (32, "m_List", ("Item", 2)),
    (5, "m_Item", 1),
    (5, "m_Item", 2),
    (33, None, None),
    (34, "m_Tree", "Node"),
    (36, None, None),
    (5, "m_Id", 7),
    (36, None, None),
    (5, "m_Id", 8),
    (37, None, None),
    (37, None, None),
    (35, None, None),
    (50, "m_P2", (1, -1)),
    (51, "m_P3", (1, 2, 3)),
    (52, "m_P4", (4, 5, 6, 7)),
]

INT_FMT = {1: ">b", 2: ">B", 3: ">h", 4: ">H", 5: ">i", 6: ">I", 7: ">q", 8: ">Q", 21: ">I"}
FLOATS = {12, 13, 14, 15, 16, 17, 19}
INTS = {18, 50, 51, 52}


def binary_body():
    out = bytearray()
    for code, _name, v in VALUES:
        out.append(code)
        if code in INT_FMT:
            out += struct.pack(INT_FMT[code], v)
        elif code == 9:
            out += struct.pack(">f", v)
        elif code == 10:
            out += struct.pack(">d", v)
        elif code == 11:
            out.append(1 if v else 0)
        elif code in FLOATS:
            for c in v:
                out += struct.pack(">f", c)
        elif code in INTS:
            for c in v:
                out += struct.pack(">i", c)
        elif code == 26:
            b = v.encode("utf-8")
            out += struct.pack(">I", len(b)) + b + b"\0"
        elif code == 27:
            out += struct.pack(">I", len(v)) + v
        elif code == 32:
            out += struct.pack(">I", v[1])
    return bytes(out)


def binary_file(magic, version):
    field = magic.encode("ascii").ljust(16, b"\0")
    return field + struct.pack(">I", version) + binary_body()


def escape(s):
    out = ""
    for ch in s:
        out += {"\\": "\\\\", "\n": "\\n", "\r": "\\r", "\f": "\\f", "\t": "\\t", '"': '\\"', "'": "\\'"}.get(ch, ch)
    return out


def text_file(magic, version):
    lines = ["%s\t%u\n" % (magic, version)]
    for code, name, v in VALUES:
        head = "%02x\t%s" % (code, name)
        if code in (1, 3, 5, 2, 4, 6, 21, 7, 8):
            lines.append("%s\t%d\n" % (head, v))
        elif code == 11:
            lines.append("%s\t%u\n" % (head, 1 if v else 0))
        elif code in (9, 10):
            lines.append("%s\t%f\n" % (head, v))
        elif code in FLOATS:
            lines.append(head + "".join("\t%f" % c for c in v) + "\n")
        elif code in INTS:
            lines.append(head + "".join("\t%d" % c for c in v) + "\n")
        elif code == 26:
            e = escape(v)
            lines.append('%s\t%u\t"%s"\n' % (head, len(e.encode("utf-8")), e))
        elif code == 27:
            lines.append("%s\t%u\n" % (head, len(v)))
            hexes = [v[i:i + 32].hex() for i in range(0, len(v), 32)]
            lines += [h + "\n" for h in hexes]
        elif code == 32:
            lines.append("%s\t%s\t%u\t{\n" % (head, v[0], v[1]))
        elif code == 34:
            lines.append("%s\t%s\t{\n" % (head, v))
        elif code == 36:
            lines.append("%02x\t{\n" % code)
        elif code in (33, 35, 37):
            lines.append("%02x\t}\n" % code)
    return "".join(lines).encode("utf-8")


# The pack archive: 48-byte header, directory, then the entries' bytes.
SCRAMBLE_TABLE = bytes([0x5A, 0xC3, 0x1F, 0x88, 0x27, 0xE4, 0x6B, 0x90, 0x3D, 0xB2, 0x71, 0x0E,
                        0xD9, 0x46, 0xA5, 0x13, 0xFC, 0x58, 0x8F, 0x32, 0xC7, 0x6E, 0x9B])


def scramble(data, position):
    return bytes(b ^ ((position + i) & 0xFF) ^ SCRAMBLE_TABLE[(position + i) % 23] for i, b in enumerate(data))


def pack_file(entries, scrambled, utf16):
    records = []
    blobs = b""
    for name, data, time in entries:
        encoded = name.encode("utf-16-le") + b"\0\0" if utf16 else name.encode("cp932") + b"\0"
        length = 32 + len(encoded)
        length += (-length) % 4
        record = struct.pack("<IIQQQ", length, len(data), 0, time, len(blobs)) + encoded
        record = record.ljust(length, b"\0")
        if scrambled:
            record = scramble(record[:4], 0) + scramble(record[4:], 4)
        records.append(record)
        blobs += scramble(data, 0) if scrambled else data
    directory = b"".join(records)
    header = b"GXPACK\0\0" + struct.pack("<I", 1)                  # 0..11: not read
    header += struct.pack("<I", 1 if utf16 else 0)                  # 12: name form
    header += struct.pack("<I", 0)                                  # 16: not read
    header += struct.pack("<I", 1 if scrambled else 0)              # 20: scrambled
    header += struct.pack("<II", len(entries), len(directory))      # 24, 28
    header += struct.pack("<Q", 0)                                  # 32: not read
    header += struct.pack("<Q", 48 + len(directory))                # 40: data base offset
    assert len(header) == 48
    return header + directory + blobs


PACK_ENTRIES = [
    ("system/sysconf.ini", b"APP_TITLE=Golden\n", 0x01D0000000000001),
    ("BG/タイトル.png", bytes(range(256)) * 2 + b"tail", 0x01D0000000000002),
    ("se/a.ogg", b"", 0x01D0000000000003),
]

if __name__ == "__main__":
    with open("values.bgd", "wb") as f:
        f.write(binary_file("BGD", 100))
    with open("values.tgd", "wb") as f:
        f.write(text_file("TGD", 100))
    with open("scrambled.gxp", "wb") as f:
        f.write(pack_file(PACK_ENTRIES, True, False))
    with open("utf16.gxp", "wb") as f:
        f.write(pack_file(PACK_ENTRIES, False, True))
