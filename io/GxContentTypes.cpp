#include "io/GxContentTypes.h"

const char* GxValueTypeName(u32 code) {
    switch (code) {
    case kGxValS8: return "GxS8";
    case kGxValU8: return "GxU8";
    case kGxValS16: return "GxS16";
    case kGxValU16: return "GxU16";
    case kGxValS32: return "GxS32";
    case kGxValU32: return "GxU32";
    case kGxValS64: return "GxS64";
    case kGxValU64: return "GxU64";
    case kGxValF32: return "GxF32";
    case kGxValF64: return "GxF64";
    case kGxValBool: return "GxBool";
    case kGxValVector2: return "GxVector2";
    case kGxValVector3: return "GxVector3";
    case kGxValVector4: return "GxVector4";
    case kGxValQuat: return "GxQuat";
    case kGxValFColor: return "GxFColor";
    case kGxValMatrix: return "GxMatrix";
    case kGxValRect: return "GxRect";
    case kGxValFRect: return "GxFRect";
    case kGxValBit32: return "GxBit32";
    case kGxValStringSJIS: return "GxStringSJIS";
    case kGxValStringUTF8: return "GxStringUTF8";
    case kGxValBinary: return "GxBinary";
    case kGxValListBegin: return "ListBegin";
    case kGxValListEnd: return "ListEnd";
    case kGxValTreeBegin: return "TreeBegin";
    case kGxValTreeEnd: return "TreeEnd";
    case kGxValTreeStratumBegin: return "TreeStratumBegin";
    case kGxValTreeStratumEnd: return "TreeStratumEnd";
    case kGxValPoint2: return "GxPoint2";
    case kGxValPoint3: return "GxPoint3";
    case kGxValPoint4: return "GxPoint4";
    default: return "";
    }
}
