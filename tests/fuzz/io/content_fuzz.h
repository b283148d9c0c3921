#pragma once
// Drives a content reader with the data itself: each value is read as the
// type its code names, and now and then as another type, so that both the
// matching and the mismatching paths run.
#include "io/GxContentReaderBase.h"

namespace qfuzz {

inline void ReadValues(GxContentReaderBase& r, unsigned seed) {
    for (unsigned i = 0; i < 20000 && !r.IsEnd(); ++i) {
        u32 code = r.PeekValueType();
        // Every seventh read asks for a type the data did not promise.
        if ((i + seed) % 7 == 3) code = (code * 13 + seed) % 56;
        GxBinBuffer bin;
        u32 count = 0;
        switch (code) {
        case kGxValS8: r.ReadS8("m_V"); break;
        case kGxValU8: r.ReadU8("m_V"); break;
        case kGxValS16: r.ReadS16("m_V"); break;
        case kGxValU16: r.ReadU16("m_V"); break;
        case kGxValS32: r.ReadS32("m_V"); break;
        case kGxValU32: r.ReadU32("m_V"); break;
        case kGxValS64: r.ReadS64("m_V"); break;
        case kGxValU64: r.ReadU64("m_V"); break;
        case kGxValF32: r.ReadF32("m_V"); break;
        case kGxValF64: r.ReadF64("m_V"); break;
        case kGxValBool: r.ReadBool("m_V"); break;
        case kGxValVector2: r.ReadVector2("m_V"); break;
        case kGxValVector3: r.ReadVector3("m_V"); break;
        case kGxValVector4: r.ReadVector4("m_V"); break;
        case kGxValQuat: r.ReadQuat("m_V"); break;
        case kGxValFColor: r.ReadFColor("m_V"); break;
        case kGxValMatrix: r.ReadMatrix("m_V"); break;
        case kGxValRect: r.ReadRect("m_V"); break;
        case kGxValFRect: r.ReadFRect("m_V"); break;
        case kGxValBit32: r.ReadBit32("m_V"); break;
        case kGxValStringSJIS: r.ReadString("m_V"); break;
        case kGxValStringUTF8: r.ReadWString("m_V"); break;
        case kGxValBinary: r.ReadBinary("m_V", &bin); break;
        case kGxValListBegin: r.ReadListBegin("m_V", &count); break;
        case kGxValListEnd: r.ReadListEnd(); break;
        case kGxValTreeBegin: r.ReadTreeBegin("m_V"); break;
        case kGxValTreeEnd: r.ReadTreeEnd(); break;
        case kGxValTreeStratumBegin: r.ReadTreeStratumBegin(); break;
        case kGxValTreeStratumEnd: r.ReadTreeStratumEnd(); break;
        case kGxValPoint2: r.ReadPoint2("m_V"); break;
        case kGxValPoint3: r.ReadPoint3("m_V"); break;
        case kGxValPoint4: r.ReadPoint4("m_V"); break;
        default:
            // The text form answers 0 at the end and skips always succeed, so
            // the loop bound above is what stops a reader that never ends.
            r.SkipValue();
            break;
        }
        (void)r.GetRemainingBytes();
    }
}

} // namespace qfuzz
