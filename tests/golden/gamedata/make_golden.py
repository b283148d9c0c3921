#!/usr/bin/env python3
"""Builds the hand-made golden files of the user settings ("userconf.dat"),
the permanent data ("permanent.dat") and a save game in its binary and text
forms ("gamedata.gd", "gamedata.tgd") straight from their byte layouts,
independently of the engine's writers. Run from this folder; the outputs are
checked in. The values are the ones the tests set (user_config_test.cpp,
permanent_data_test.cpp and save_game_test.cpp under tests/gamedata)."""
import struct


class Binary:
    """A type code, then the value big-endian; strings as UTF-8 with their
    byte count before and a NUL after; lists carry their count only."""

    def header(self, magic):
        return magic.encode("ascii").ljust(16, b"\0") + struct.pack(">I", 100)

    def s32(self, name, v):
        return b"\x05" + struct.pack(">i", v)

    def u32(self, name, v):
        return b"\x06" + struct.pack(">I", v)

    def s64(self, name, v):
        return b"\x07" + struct.pack(">q", v)

    def boolean(self, name, v):
        return b"\x0b" + (b"\x01" if v else b"\x00")

    def bit32(self, name, v):
        return b"\x15" + struct.pack(">I", v)

    def string(self, name, text):
        b = text.encode("utf-8")
        return b"\x1a" + struct.pack(">I", len(b)) + b + b"\0"

    def list_begin(self, name, count):
        return b"\x20" + struct.pack(">I", count)

    def list_end(self):
        return b"\x21"

    def stratum_begin(self):
        return b"\x24"

    def stratum_end(self):
        return b"\x25"


class Text:
    """One line a value: the type code in two hex digits, the name, the
    fields, tab-separated; strings escaped, quoted, after their escaped byte
    count; lists open with "{" after an empty element type name and count."""

    def line(self, code, name, *fields):
        return "\t".join(["%02x" % code, name] + [str(f) for f in fields]).encode("utf-8") + b"\n"

    def header(self, magic):
        return (magic + "\t100\n").encode("ascii")

    def s32(self, name, v):
        return self.line(0x05, name, v)

    def u32(self, name, v):
        return self.line(0x06, name, v)

    def s64(self, name, v):
        return self.line(0x07, name, v)

    def boolean(self, name, v):
        return self.line(0x0B, name, 1 if v else 0)

    def bit32(self, name, v):
        return self.line(0x15, name, v)

    def string(self, name, text):
        escapes = {"\\": "\\\\", "\n": "\\n", "\r": "\\r", "\f": "\\f", "\t": "\\t", '"': '\\"', "'": "\\'"}
        e = "".join(escapes.get(c, c) for c in text).encode("utf-8")
        return ("1a\t%s\t%d\t" % (name, len(e))).encode("utf-8") + b'"' + e + b'"\n'

    def list_begin(self, name, count):
        return self.line(0x20, name, "", count, "{")

    def list_end(self):
        return b"21\t}\n"

    def stratum_begin(self):
        return b"24\t{\n"

    def stratum_end(self):
        return b"25\t}\n"


def userconf():
    f = Binary()
    out = f.header("BCD")
    # m_ScreenMode, m_TextWaitTime, m_TextLongWaitTime, m_AutoWaitTime, m_TextWindowOpacity
    for v in (1, 30, 240, 2000, 128):
        out += f.s32("", v)
    # the eleven switches, m_AllowSkipUnreadText to m_UseSystemVoice
    for v in (True, False, True, False, True, True, False, True, False, True, False):
        out += f.boolean("", v)
    # m_SoundEngineMode, m_GameDataPage, m_LastGameDataFileNum
    for v in (2, 3, 17):
        out += f.s32("", v)
    # Master, BGM, BGV, System, Sound, Movie, RestrainBGM, VoiceMaster, SystemVoice
    for v in (90, 70, 60, 50, 40, 30, 20, 10, 55):
        out += f.s32("", v)
    for i in range(32):
        out += f.s32("", 100 - i) + f.boolean("", i % 2 == 0)
    out += f.s32("", 4)  # m_AsyncThreadNum
    return out


def flag_map(f, entries):
    out = f.u32("", len(entries))
    for key, words in entries:
        out += f.string("Key", key) + f.u32("Flags", len(words))
        for w in words:
            out += f.u32("Value", w)
    return out


def permanent():
    f = Binary()
    out = f.header("BPD")
    out += flag_map(f, [("script01", [0x00000001, 0x80000000]), ("スクリプト", [5])])
    out += flag_map(f, [("menu#1", [6])])
    out += f.u32("", 2) + f.string("", "*ep1") + f.string("", "*ep2")
    out += f.u32("", 2) + f.string("", "ev001") + f.s32("", 1) + f.string("", "ev002") + f.s32("", 1)
    out += f.bit32("", 0x00000005)
    return out


def sound(f, name="", loop=0, start=0, loop_pos=0, fade=0, char=0):
    return (f.string("m_FileName", name) + f.s32("m_Loop", loop) + f.u32("m_StartSeekPosTime", start)
            + f.u32("m_LoopPosTime", loop_pos) + f.s32("m_FadeInTime", fade) + f.s32("m_CharID", char))


def task(f, value, text=""):
    # A running task (state 1) without an ID, then what the test's task adds.
    return f.u32("m_GlobalState", 1) + f.s64("m_TaskID", 0) + f.s32("m_Value", value) + f.string("m_Text", text)


def variable(f, name, scope, value):
    # An integer (value type 7) with its scope and name.
    return f.u32("m_ValueType", 7) + f.s64("m_IntOfFloat", value) + f.s32("m_Scope", scope) + f.string("m_Name", name)


def gamedata(f, magic):
    out = f.header(magic)
    out += f.string("m_SaveTime", "2024/04/01 09:15:00")
    out += f.string("m_GameDataTitle", "第一章")
    out += f.string("m_RestoreSequence", "SeqAvgMain")
    out += f.string("m_RestoreSubParam", "sub")
    out += f.bit32("m_GameDataOption", 0x81)
    out += f.boolean("m_IsSelecting", True)
    out += f.s32("m_LastSelectNum", 2)
    out += f.s32("m_CancelSelectNum", 3)
    out += f.string("m_SelectHash", "menu#7")
    # The default ten choices and entry 0: text, label, enable, visible,
    # taken before, called as a subroutine.
    items = [("", "", True, True, False, False)] * 11
    items[1] = ("はい", "*yes", True, True, True, False)
    items[2] = ("いいえ", "*no", False, True, False, True)
    out += f.list_begin("m_SelectMenuItemList", len(items))
    for text, label, enable, visible, before, gosub in items:
        out += f.string("m_Text", text) + f.string("m_Label", label) + f.boolean("m_Enable", enable)
        out += f.boolean("m_Visible", visible) + f.boolean("m_BeforeSelected", before)
        out += f.boolean("m_UseGosub", gosub)
    out += f.list_end()
    for name, v in (("m_Hold_WaitClick", 3), ("m_Hold_WaitTime", 5), ("m_Hold_WaitTime_TimeLeft", 250),
                    ("m_Hold_EndOfMovie", 0), ("m_Hold_EndOfLayerActionAll", 0),
                    ("m_Hold_EndOfLayerActionSeparate", 7)):
        out += f.s32(name, v)
    out += f.string("m_Hold_EndOfLayerActionSeparate_LayerName", "$BGLAYER:SeqAvgMain")
    for name, v in (("m_Hold_EndOfBGM", 0), ("m_Hold_EndOfBGV", 0), ("m_Hold_EndOfSE", 0),
                    ("m_Hold_EndOfVoice", 9), ("m_NameIdentifyMode", 1)):
        out += f.s32(name, v)
    out += f.boolean("m_IgnoreKinsoku", True)
    out += f.s32("m_LastDialogResult", 1)
    log = [("アキ", "「おはよう。」", False, True, ("voice/aki/a001.ogg", 1)),
           ("", 'a\ttab, a "quote"\nand a new line', True, False, ("voice/kana/k001.ogg", 2))]
    out += f.list_begin("GxMessageLogElement", len(log))
    for name, message, kinsoku, no_newline, voice in log:
        out += f.string("m_Name", name) + f.string("m_Message", message)
        out += f.boolean("m_IgnoreKinsoku", kinsoku) + f.boolean("m_DisenableAutoNewline", no_newline)
        out += f.boolean("m_ShowNameByText", True)
        for file, char in (voice, ("", 0), ("", 0), ("", 0)):
            out += f.string("m_VoiceFileName", file) + f.s32("m_VoiceCharID", char)
    out += f.list_end()
    out += f.list_begin("GxNoticeParam", 1)
    out += f.string("m_Text", "unlocked") + f.string("m_IconName", "icon_cg")
    out += f.s32("m_IconAlign", 1) + f.s32("m_ShowTime", 1500) + f.s32("m_UISoundID", -1) + f.s32("m_NoticeID", 0)
    out += f.u32("m_TextColor", 0xFF00FF00)
    out += f.list_end()
    out += f.boolean("m_HideWindowByCommandFlag", True)
    # The script: no outside variables; the worker's one game variable
    # (global, in game: scope 6); one script with its static game variable
    # (scope 3); the worker by name with empty stacks and no return value.
    out += f.s32("m_VariablesSize", 0)
    out += f.s32("m_VariablesSize", 1) + variable(f, "count", 6, 11)
    out += f.s32("m_pScriptEntitySize", 1) + f.string("m_ScriptName", "main")
    out += f.s32("m_VariablesSize", 1) + variable(f, "seen", 3, 5)
    out += f.string("m_Name", "MAIN_WORKER")
    out += f.list_begin("m_ExecStack", 0) + f.list_end()
    out += f.list_begin("m_ValueStack", 0) + f.list_end()
    out += f.u32("m_ValueType", 254)
    # BGM, BGV, SE 0 to 3, voices 0 to 3.
    out += sound(f, "bgm/bgm01.ogg", -1, 1500, 3000, 1000)
    out += sound(f, "sounds/bgvs/rain.ogg", -1, 0, 0, 1000)
    out += sound(f) + sound(f) + sound(f, "sounds/se/loop.ogg") + sound(f)
    out += sound(f, "voice/kana/k001.ogg", char=2) + sound(f) + sound(f) + sound(f)
    layers = ["$VISUAL:SeqAvgMain", "$BGLAYER:SeqAvgMain", "$BGWLAYER:SeqAvgMain", "$MOVIELAYER:SeqAvgMain",
              "$GLOBALFLASH:SeqAvgMain", "$GLOBALFADE:SeqAvgMain"]
    for i, name in enumerate(layers):
        out += task(f, i + 1, name + " stored")
    # The stand layers of the characters named in the table, count 0.
    out += f.list_begin("StandLayers", 0)
    for i, name in enumerate(("kana", "rin", "gone")):
        out += f.stratum_begin() + f.string("LayerName", name) + task(f, 10 + i) + f.stratum_end()
    out += f.list_end()
    for i, name in enumerate(("$MESWIN:SeqAvgMain", "$NAMEWIN:SeqAvgMain", "$NAMEIMAGE:SeqAvgMain")):
        out += task(f, 7 + i, name + " stored")
    out += f.list_begin("SelectButtons", 10)
    for i in range(1, 11):
        out += task(f, 100 + i)
    out += f.list_end()
    out += f.s32("m_ModuleValue", 4242)
    return out


for name, data in (("userconf.dat", userconf()), ("permanent.dat", permanent()),
                   ("gamedata.gd", gamedata(Binary(), "BGD")), ("gamedata.tgd", gamedata(Text(), "TGD"))):
    with open(name, "wb") as f:
        f.write(data)
