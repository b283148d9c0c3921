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
