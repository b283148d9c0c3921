#!/usr/bin/env python3
"""Builds the hand-made golden crammed image set and layout project, in the
text and the binary content form, straight from the documented value lists
and byte layouts, independently of the engine's readers and of the test
writers. Run from this folder; the outputs are checked in."""
import os
import struct
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "io"))
from make_golden import escape  # noqa: E402

S32, U32, F32, BOOL, V2, V4, FRECT, STR = 5, 6, 9, 11, 12, 14, 19, 26
LIST, LIST_END, TREE, TREE_END, STRATUM, STRATUM_END = 32, 33, 34, 35, 36, 37


def lst(name, elem_type, elements):
    """A list value: its begin, every element's values, its end."""
    out = [(LIST, name, (elem_type, len(elements)))]
    for e in elements:
        out += e
    return out + [(LIST_END, None, None)]


def binary(magic, values):
    out = bytearray(magic.encode("ascii").ljust(16, b"\0") + struct.pack(">I", 100))
    for code, _name, v in values:
        out.append(code)
        if code == S32:
            out += struct.pack(">i", v)
        elif code == U32:
            out += struct.pack(">I", v)
        elif code == F32:
            out += struct.pack(">f", v)
        elif code == BOOL:
            out.append(1 if v else 0)
        elif code in (V2, V4, FRECT):
            for c in v:
                out += struct.pack(">f", c)
        elif code == STR:
            b = v.encode("utf-8")
            out += struct.pack(">I", len(b)) + b + b"\0"
        elif code == LIST:
            out += struct.pack(">I", v[1])
    return bytes(out)


def text(magic, values):
    lines = ["%s\t100\n" % magic]
    for code, name, v in values:
        head = "%02x\t%s" % (code, name or "")
        if code in (S32, U32):
            lines.append("%s\t%d\n" % (head, v))
        elif code == BOOL:
            lines.append("%s\t%d\n" % (head, 1 if v else 0))
        elif code == F32:
            lines.append("%s\t%f\n" % (head, v))
        elif code in (V2, V4, FRECT):
            lines.append(head + "".join("\t%f" % c for c in v) + "\n")
        elif code == STR:
            e = escape(v)
            lines.append('%s\t%u\t"%s"\n' % (head, len(e.encode("utf-8")), e))
        elif code == LIST:
            lines.append("%s\t%s\t%u\t{\n" % (head, v[0], v[1]))
        elif code == TREE:
            lines.append("%s\t%s\t{\n" % (head, v))
        elif code == STRATUM:
            lines.append("%02x\t{\n" % code)
        elif code in (LIST_END, TREE_END, STRATUM_END):
            lines.append("%02x\t}\n" % code)
    return "".join(lines).encode("utf-8")


# The crammed image set: two atlas images, an origin image with two patterns
# (the first with raw texture coordinates, the second without) and one whose
# pattern lies in no atlas image.
def pattern(left, top, w, h, index, ol, ot, cl, ct, cw, ch, cx, cy, raw, nocut, sel):
    v = [(S32, "m_Left", left), (S32, "m_Top", top), (S32, "m_Width", w), (S32, "m_Height", h),
         (S32, "m_CrammedImageIndex", index), (S32, "m_CrammedOffsetLeft", ol), (S32, "m_CrammedOffsetTop", ot),
         (S32, "m_CrammedLeft", cl), (S32, "m_CrammedTop", ct), (S32, "m_CrammedWidth", cw),
         (S32, "m_CrammedHeight", ch), (F32, "m_CenterPosX", cx), (F32, "m_CenterPosY", cy)]
    if raw is not None:
        v.append((FRECT, "m_CrammedRawUV", raw))
    return v + [(U32, "m_NoCutoffFlag", nocut), (U32, "m_Selected", sel)]


GIS = [(BOOL, "m_EconomyMode", False)] + lst("m_CrammedImageArray", "GxNcCrammedImage", [
    [(STR, "m_FileName", "atlas.png"), (S32, "m_ImageWidth", 64), (S32, "m_ImageHeight", 32),
     (S32, "m_Count", 2), (U32, "m_PreserveFlag", 0)],
    [(STR, "m_FileName", "atlas2.png"), (S32, "m_ImageWidth", 16), (S32, "m_ImageHeight", 16),
     (S32, "m_Count", 1), (U32, "m_PreserveFlag", 1)],
]) + lst("m_OriginImageArray", "GxNcOriginImage", [
    [(STR, "m_FileName", "button.png"), (S32, "m_PatternCount", 2), (S32, "m_ImageWidth", 40),
     (S32, "m_ImageHeight", 20), (U32, "m_PreserveFlag", 0)]
    + lst("m_PatternArray", "GxNcCrammedPattern", [
        pattern(0, 0, 20, 20, 0, 2, 3, 4, 5, 16, 14, 10.0, 10.0, (0.0625, 0.15625, 0.3125, 0.59375), 0, 0),
        pattern(20, 0, 20, 20, 1, 0, 0, 0, 0, 16, 16, 0.0, 0.0, None, 1, 1),
    ]),
    [(STR, "m_FileName", "icon.png"), (S32, "m_PatternCount", 7), (S32, "m_ImageWidth", 8),
     (S32, "m_ImageHeight", 8), (U32, "m_PreserveFlag", 2)]
    + lst("m_PatternArray", "GxNcCrammedPattern", [
        pattern(0, 0, 8, 8, -1, 0, 0, 0, 0, 8, 8, 4.0, 4.0, None, 0, 0),
    ]),
])


def key_tail(mode, p0, p1, sel):
    return [(U32, "m_InterMode", mode), (F32, "m_InterParam0", p0), (F32, "m_InterParam1", p1),
            (U32, "m_Selected", sel)]


def vkey(code, t, value, mode=1, p0=0.0):
    return [(S32, "m_Time", t), (code, "m_Value", value)] + key_tail(mode, p0, 0.0, 0)


def layer(name, blend, tracks):
    return [(STR, "m_LayerName", name), (STR, "m_EnumName", "E_" + name), (U32, "m_LayerID", 100000001),
            (S32, "m_LastTime", 30), (U32, "m_LoopMode", 1), (U32, "m_LayerType", 0), (S32, "m_AttachIndex", -1),
            (U32, "m_VertexCount", 5), (U32, "m_EditLock", 0), (U32, "m_EditVisible", 1),
            (U32, "m_LightEnable", 1), (U32, "m_ZWriteEnable", 0), (U32, "m_ZTestEnable", 0),
            (U32, "m_StencilMode", 0), (U32, "m_StencilTestEnable", 0), (U32, "m_ViewMode", 0),
            (U32, "m_BlendMode", blend), (U32, "m_FilterMode", 2), (U32, "m_Selected", 0),
            (U32, "m_Expanded", 1)] + tracks


def tracks(image, pos, alpha, vis, colours):
    empty = lambda t: lst("", t, [])  # noqa: E731
    return (lst("", "GxNcImageKey", image) + lst("", "GxNcVector4Key", pos) + empty("GxNcVector4Key")
            + empty("GxNcVector4Key") + empty("GxNcVector4Key") + empty("GxNcVector2Key")
            + lst("", "GxNcFloatKey", alpha) + lst("", "GxNcUIntKey", vis) + empty("GxNcVertexKey")
            + lst("", "GxNcVertexKey", colours) + empty("GxNcVector2Key"))


IMAGE_KEY = [(S32, "m_Time", 0), (STR, "m_ImageSetName", "parts"), (STR, "m_ImageFileName", "button.png"),
             (STR, "m_MotionGroupName", ""), (STR, "m_MotionName", ""), (S32, "m_PatternIndex", 1),
             (S32, "m_Width", 40), (S32, "m_Height", 20), (S32, "m_OffsetFrame", 5), (U32, "m_LoopMode", 0)] \
    + key_tail(0, 0.0, 0.0, 0)
COLOUR_KEY = [(S32, "m_Time", 0)] + [(V4, "m_Value", (1.0, 0.5, 0.25, 1.0))] * 5 + key_tail(1, 0.0, 0.0, 0) \
    + [(U32, "m_SelectedLocalFlags", 31)]

MOTION = [(STR, "m_MotionName", "open"), (STR, "m_EnumName", "M_OPEN"), (U32, "m_MotionID", 200000001),
          (S32, "m_TotalDuration", 60), (S32, "m_StartTime", 0), (S32, "m_PlayTime", 60), (S32, "m_EndTime", 60)] \
    + lst("m_LayerList", "GxNcLayer", [
        layer("root", 3, tracks([IMAGE_KEY],
                                [vkey(V4, 0, (10.0, 20.0, 0.0, 0.0), 2, 0.25), vkey(V4, 60, (30.0, 40.0, 0.0, 0.0))],
                                [vkey(F32, 0, 0.5)], [vkey(U32, 0, 1, 0)], [COLOUR_KEY])),
        layer("child", 0, tracks([], [], [], [], [])),
    ]) \
    + lst("", "GxNcSoundKey", [[(S32, "m_Time", 12), (STR, "m_SoundName", "se/open.wav"), (U32, "m_InterMode", 0),
                                (U32, "m_Selected", 0)]]) \
    + lst("", "GxNcEventKey", [[(S32, "m_Time", 30), (S32, "m_EventID", 7), (U32, "m_AfterCallFlag", 1),
                                (STR, "m_Param", "名前"), (U32, "m_InterMode", 0), (F32, "m_InterParam0", 0.0),
                                (F32, "m_InterParam1", 0.0), (U32, "m_Selected", 0)]]) \
    + lst("", "GxNcEventKey", []) + lst("", "GxNcEventKey", []) + lst("", "GxNcEventKey", []) \
    + [(TREE, "m_LayerTree", "GxNcLayerNode"), (STRATUM, None, None), (STR, "m_LayerName", "root"),
       (S32, "m_LayerIndex", 9), (STRATUM, None, None), (STR, "m_LayerName", "child"), (S32, "m_LayerIndex", 9),
       (STRATUM_END, None, None), (STRATUM_END, None, None), (TREE_END, None, None)]

GNC = [(STR, "m_ProjectName", "golden"), (U32, "m_IssuableMotionID", 200000002),
       (U32, "m_IssuableLayerID", 100000003), (U32, "m_IssuableMotionGroupID", 400000001),
       (U32, "m_IssuableActorID", 500000000), (U32, "m_IssuableStageID", 600000001),
       (U32, "m_IssuableReserveID0", 700000000), (U32, "m_IssuableReserveID1", 800000000),
       (U32, "m_IssuableReserveID2", 900000000), (U32, "m_IssuableReserveID3", 1000000000)] \
    + lst("m_MotionGroupList", "GxNcMotionGroup", [
        [(STR, "m_MotionGroupName", "menu"), (STR, "m_EnumName", "G_MENU"), (U32, "m_MotionGroupID", 400000000)]
        + lst("m_MotionList", "GxNcMotion", [MOTION])]) \
    + lst("m_StageList", "GxNcStage", [[]]) \
    + lst("m_ImageSetFileNameList", "GxNcImageSetFileName", [[(STR, "m_FileName", "parts.gis")]])

if __name__ == "__main__":
    for name, data in (("golden.tgis", text("TGIMGSET", GIS)), ("golden.bgis", binary("BGIMGSET", GIS)),
                       ("golden.tgnc", text("TNCPROJ", GNC)), ("golden.bgnc", binary("BNCPROJ", GNC))):
        with open(name, "wb") as f:
            f.write(data)
