#pragma once
// System and query builtins: log output for developers, the save folder, the
// scenes of both sequence workers, the last choice and dialog answer, the
// developer mode, the program's signature, the save game's title, replay
// mode, passed replay labels and how speaker names are told apart.
#include "game/builtins/AvgBuiltinCall.h"

class AvgBuiltinSystem {
public:
    AVG_BUILTIN(Print);
    AVG_BUILTIN(Debug);
    AVG_BUILTIN(GetSaveDir);
    AVG_BUILTIN(GetCurSeqName);
    AVG_BUILTIN(GetPrevSeqName);
    AVG_BUILTIN(GetCurSeqParam0);
    AVG_BUILTIN(GetCurSeqParam1);
    AVG_BUILTIN(GetPrevSeqParam0);
    AVG_BUILTIN(GetPrevSeqParam1);
    AVG_BUILTIN(GetLastSelect);
    AVG_BUILTIN(GetDialogResult);
    AVG_BUILTIN(GetDebugModeFlag);
    AVG_BUILTIN(GetSystemSignature);
    AVG_BUILTIN(SetGameDataTitle);
    AVG_BUILTIN(GetGameDataTitle);
    AVG_BUILTIN(GetReplayMode);
    AVG_BUILTIN(GetPassedLabel);
    AVG_BUILTIN(SetNameIdentifyMode);

    // The signature of the program: the CRC-32 of its embedded picture
    // (resource 102, "PNG") as eight upper-case hexadecimal digits;
    // "00000000" without it.
    static GxString SystemSignature();
};
