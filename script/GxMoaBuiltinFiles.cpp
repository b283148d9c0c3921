#include "script/GxMoaBuiltinDefault.h"

#include "io/GxFileSystem.h"
#include "script/GxMoaVariable.h"

// The file queries, kept apart from the other builtins because they are the
// only ones that reach the file facade.

bool GxMoaBuiltinDefault::IsFileExist(const GxString* name, int builtinIndex, GxMoaVariable* args,
                                      GxMoaWorker* worker, GxMoaScriptEntity* entity, GxMoaExecStack* stack,
                                      GxMoaVariable* result) {
    (void)name, (void)builtinIndex, (void)worker, (void)entity, (void)stack;
    if (!args->IsArray()) return false;
    if (args->GetArraySize() < 1) args->ResizeArray(1);
    result->SetInt64(GxFileExists(GxMoaArgumentAt(args, 0)->ToString()));
    return true;
}

bool GxMoaBuiltinDefault::GetFileSize(const GxString* name, int builtinIndex, GxMoaVariable* args,
                                      GxMoaWorker* worker, GxMoaScriptEntity* entity, GxMoaExecStack* stack,
                                      GxMoaVariable* result) {
    (void)name, (void)builtinIndex, (void)worker, (void)entity, (void)stack;
    if (!args->IsArray()) return false;
    if (args->GetArraySize() < 1) args->ResizeArray(1);
    result->SetInt64(s64(GxGetFileSize(GxMoaArgumentAt(args, 0)->ToString())));
    return true;
}
