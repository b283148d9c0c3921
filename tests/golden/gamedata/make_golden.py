#!/usr/bin/env python3
"""Builds the hand-made golden files of the user settings ("userconf.dat")
and the permanent data ("permanent.dat") straight from their byte layouts,
independently of the engine's writers. Run from this folder; the outputs are
checked in. The values are the ones the tests set (user_config_test.cpp and
permanent_data_test.cpp under tests/gamedata)."""
import struct


def header(magic):
    return magic.encode("ascii").ljust(16, b"\0") + struct.pack(">I", 100)


def s32(v):
    return b"\x05" + struct.pack(">i", v)


def u32(v):
    return b"\x06" + struct.pack(">I", v)


def boolean(v):
    return b"\x0b" + (b"\x01" if v else b"\x00")


def bit32(v):
    return b"\x15" + struct.pack(">I", v)


def string(text):
    b = text.encode("utf-8")
    return b"\x1a" + struct.pack(">I", len(b)) + b + b"\0"


def userconf():
    out = header("BCD")
    # m_ScreenMode, m_TextWaitTime, m_TextLongWaitTime, m_AutoWaitTime, m_TextWindowOpacity
    for v in (1, 30, 240, 2000, 128):
        out += s32(v)
    # the eleven switches, m_AllowSkipUnreadText to m_UseSystemVoice
    for v in (True, False, True, False, True, True, False, True, False, True, False):
        out += boolean(v)
    # m_SoundEngineMode, m_GameDataPage, m_LastGameDataFileNum
    for v in (2, 3, 17):
        out += s32(v)
    # Master, BGM, BGV, System, Sound, Movie, RestrainBGM, VoiceMaster, SystemVoice
    for v in (90, 70, 60, 50, 40, 30, 20, 10, 55):
        out += s32(v)
    for i in range(32):
        out += s32(100 - i) + boolean(i % 2 == 0)
    out += s32(4)  # m_AsyncThreadNum
    return out


def flag_map(entries):
    out = u32(len(entries))
    for key, words in entries:
        out += string(key) + u32(len(words))
        for w in words:
            out += u32(w)
    return out


def permanent():
    out = header("BPD")
    out += flag_map([("script01", [0x00000001, 0x80000000]), ("スクリプト", [5])])
    out += flag_map([("menu#1", [6])])
    out += u32(2) + string("*ep1") + string("*ep2")
    out += u32(2) + string("ev001") + s32(1) + string("ev002") + s32(1)
    out += bit32(0x00000005)
    return out


with open("userconf.dat", "wb") as f:
    f.write(userconf())
with open("permanent.dat", "wb") as f:
    f.write(permanent())
