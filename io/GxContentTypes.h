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

// The fewest bytes that a read of a value of this type takes when it
// succeeds, in whichever form is smaller (a text line with an empty name, or
// a binary code and payload) and with the other types the read accepts. A
// count of elements read from a file is held to what the bytes left could
// hold at this many bytes an element, before anything is reserved.
constexpr u32 GxContentMinReadBytes(u32 code) {
    switch (code) {
    case kGxValS8: case kGxValU8: case kGxValBool: return 2;
    case kGxValS16: case kGxValU16: return 3;
    case kGxValS32: case kGxValU32: case kGxValS64: case kGxValU64: case kGxValF32: case kGxValF64:
    case kGxValBit32: case kGxValBinary: case kGxValListBegin: return 5;
    case kGxValStringSJIS: case kGxValStringUTF8: return 6;
    case kGxValVector2: return 7;
    case kGxValPoint2: return 8;
    case kGxValVector3: case kGxValVector4: return 9;
    case kGxValPoint3: return 10;
    case kGxValQuat: case kGxValFColor: return 11;
    case kGxValRect: case kGxValFRect: case kGxValPoint4: return 12;
    case kGxValMatrix: return 36;
    default: return 1;
    }
}

// The same for an element of several values, each named by its type code.
template <class... Codes>
constexpr u32 GxContentMinReadBytes(u32 first, Codes... rest) {
    return GxContentMinReadBytes(first) + (GxContentMinReadBytes(u32(rest)) + ... + 0u);
}

// A magic names the form and the kind of file; it holds at most this many characters.
constexpr size_t kGxContentMagicMax = 15;
