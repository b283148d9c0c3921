#include "engine/GxDebugStatus.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "engine/GxDebugConsoleOutputEx.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxD3DResourceManage.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"

const GxChar* GxGetBlockTypeName(s32 blockType) {
    static const GxChar* const kNames[] = {
        u"不明",        u"通常ブロック", u"関数ブロック", u"IFブロック",     u"ELSEブロック",
        u"WHILEブロック", u"FORブロック",  u"DOブロック",   u"通常SUBブロック",
    };
    if (blockType < 0 || blockType >= s32(std::size(kNames))) return kNames[0];
    return kNames[blockType];
}

GxDebugStatusText GxBuildDebugStatus(const GxDebugStatusInput& in) {
    GxDebugStatusText out;
    if (in.m_ErrorCount != 0) {
        out.m_Status = {u"※エラー発生。error.logを確認してください", kGxDebugStatusErrorColor};
    } else {
        const double megabytes = double(in.m_ResourceBytes) * 0.0009765625 * 0.0009765625 + 6.0;
        GxString text = GxFormat(u"※エラー無し/VRAM %3.1fMB/Clk(%d) Time(%d) Mov(%d) AA(%d) AS(%d:%s) BGM(%d) BGV(%d) SE(%d) VO(%d)",
                                 megabytes, in.m_WaitClick, in.m_WaitTime, in.m_WaitMovie, in.m_WaitAA, in.m_WaitAS,
                                 in.m_WaitASName, in.m_WaitBGM, in.m_WaitBGV, in.m_WaitSE, in.m_WaitVO);
        if (text.size() > kGxDebugStatusLineMax) text.resize(kGxDebugStatusLineMax);
        out.m_Status = {std::move(text), kGxDebugStatusTextColor};
    }

    if (!in.m_ScriptRunning || in.m_Frames.empty()) {
        out.m_CallStack.push_back({u"Script:実行していません", kGxDebugStatusTextColor});
    } else {
        const size_t last = in.m_Frames.size() - 1;
        for (size_t i = 0; i < last; ++i) {
            const GxDebugStatusFrame& f = in.m_Frames[i];
            out.m_CallStack.push_back({GxFormat(u"呼出し元:%s/Line=%d/%s", f.m_ScriptName, f.m_Line + 1,
                                                GxGetBlockTypeName(f.m_BlockType)),
                                       kGxDebugStatusTextColor});
        }
        const GxDebugStatusFrame& f = in.m_Frames[last];
        GxString text = GxFormat(u"実行位置:%s/Line=%d/%s", f.m_ScriptName, f.m_Line + 1, GxGetBlockTypeName(f.m_BlockType));
        if (in.m_ScriptErrorStop) text += u"/エラー停止中";
        out.m_CallStack.push_back({std::move(text), kGxDebugStatusTextColor});
    }

    for (const GxString& line : in.m_ConsoleLines) out.m_Console.push_back({line, kGxDebugStatusTextColor});
    return out;
}

GxDebugStatusInput GxGatherDebugStatus(const GxDebugConsoleOutputEx* console) {
    GxDebugStatusInput in;
    in.m_ErrorCount = GxGetErrorCount();
    in.m_ResourceBytes = GxD3DResourceManage::GetInstance().GetTotalMemorySize();
    if (const GxUserData* game = GxUserData::Get()) {
        in.m_WaitClick = game->m_Hold_WaitClick;
        in.m_WaitTime = game->m_Hold_WaitTime;
        in.m_WaitMovie = game->m_Hold_EndOfMovie;
        in.m_WaitAA = game->m_Hold_EndOfLayerActionAll;
        in.m_WaitAS = game->m_Hold_EndOfLayerActionSeparate;
        in.m_WaitASName = game->m_Hold_EndOfLayerActionSeparate_LayerName;
        in.m_WaitBGM = game->m_Hold_EndOfBGM;
        in.m_WaitBGV = game->m_Hold_EndOfBGV;
        in.m_WaitSE = game->m_Hold_EndOfSE;
        in.m_WaitVO = game->m_Hold_EndOfVoice;
    }
    if (GxMoaWorker* worker = g_pMoaMainWorker) {
        in.m_ScriptRunning = worker->IsRunning();
        for (const GxMoaExecStackElement& frame : *worker->GetExecStack()) {
            GxDebugStatusFrame f;
            worker->GetScriptName(&f.m_ScriptName, &frame);
            f.m_Line = worker->GetLine(&frame);
            f.m_BlockType = frame.m_BlockType;
            in.m_Frames.push_back(std::move(f));
        }
    }
    in.m_ScriptErrorStop = g_pMoa && g_pMoa->m_ErrorFlag;
    if (console) in.m_ConsoleLines = console->CopyLines();
    return in;
}
