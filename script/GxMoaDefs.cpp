#include "script/GxMoaDefs.h"

bool GxMoaScopeInStorageClass(u32 scope, u32 storageClass) {
    switch (storageClass) {
    case kGxStorageAll: return true;
    case kGxStoragePerman: return scope == 2 || scope == 5 || scope == 8;
    case kGxStorageInGame: return scope == 1 || scope == 3 || scope == 6 || scope == 9;
    case kGxStorageNoSave: return scope == 4 || scope == 7 || scope == 10;
    default: return false;
    }
}

int GxMoaOpcodeWidth(s32 opcode) {
    switch (opcode) {
    case kGxOpPushInt:
    case kGxOpPushFloat:
    case kGxOpPushStr:
    case kGxOpPushVar:
    case kGxOpPushVarAry:
    case kGxOpElementNum: return 2;
    case kGxOpCallBuiltin: return 3;
    default: return (opcode >= kGxOpPostInc && opcode <= kGxOpXorAssign) ? 3 : 1;
    }
}
