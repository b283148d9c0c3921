#pragma once
// The type codes that tag every value of a content stream.
#include "base/GxTypes.h"

enum GxValueType : u32 {
    kGxValS8 = 1,
    kGxValU8 = 2,
    kGxValS16 = 3,
    kGxValU16 = 4,
    kGxValS32 = 5,
    kGxValU32 = 6,
    kGxValS64 = 7,
    kGxValU64 = 8,
    kGxValF32 = 9,
    kGxValF64 = 10,
    kGxValBool = 11,
    kGxValVector2 = 12,
    kGxValVector3 = 13,
    kGxValVector4 = 14,
    kGxValQuat = 15,
    kGxValFColor = 16,
    kGxValMatrix = 17,
    kGxValRect = 18,
    kGxValFRect = 19,
    kGxValPayload16 = 20,  // never written or read; skipped as 16 bytes
    kGxValBit32 = 21,
    kGxValStringSJIS = 24,
    kGxValStringUTF8 = 26,
    kGxValBinary = 27,
    kGxValListBegin = 32,
    kGxValListEnd = 33,
    kGxValTreeBegin = 34,
    kGxValTreeEnd = 35,
    kGxValTreeStratumBegin = 36,
    kGxValTreeStratumEnd = 37,
    kGxValPoint2 = 50,
    kGxValPoint3 = 51,
    kGxValPoint4 = 52,
    kGxValEndOfData = 255,
};

// "GxS8", "GxVector3", ... as the readers' messages name them ("VALTYPE_" +
// name); "" for codes that have no name.
const char* GxValueTypeName(u32 code);

// A magic names the form and the kind of file; it holds at most this many characters.
constexpr size_t kGxContentMagicMax = 15;
