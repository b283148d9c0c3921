#include "engine/GxDebugStatus.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "engine/GxDebugConsoleOutputEx.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxCharWidth.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxDraw.h"
#include "graphics/GxFontMapText.h"
#include "graphics/GxGlobalFonts.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"

#include <algorithm>
#include <vector>

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
            out.m_CallStack.push_back({GxFormat(u"呼出し元:%s/Line=%d/%s", f.m_ScriptName, s64(f.m_Line) + 1,
                                                GxGetBlockTypeName(f.m_BlockType)),
                                       kGxDebugStatusTextColor});
        }
        const GxDebugStatusFrame& f = in.m_Frames[last];
        GxString text = GxFormat(u"実行位置:%s/Line=%d/%s", f.m_ScriptName, s64(f.m_Line) + 1, GxGetBlockTypeName(f.m_BlockType));
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
    if (GxMoaWorker* worker = g_pMoaMainWorker()) {
        in.m_ScriptRunning = worker->IsRunning();
        for (const GxMoaExecStackElement& frame : *worker->GetExecStack()) {
            GxDebugStatusFrame f;
            worker->GetScriptName(&f.m_ScriptName, &frame);
            f.m_Line = worker->GetLine(&frame);
            f.m_BlockType = frame.m_BlockType;
            in.m_Frames.push_back(std::move(f));
        }
    }
    in.m_ScriptErrorStop = g_pMoa() && g_pMoa()->m_ErrorFlag;
    if (console) in.m_ConsoleLines = console->CopyLines();
    return in;
}

namespace {

constexpr u32 kBlendAlpha = 2;
constexpr int kStatusFontSlot = 1;

// A log line's own line end is not drawn.
GxStringView Visible(const GxString& text) {
    GxStringView v = text;
    while (!v.empty() && (v.back() == u'\n' || v.back() == u'\r')) v.remove_suffix(1);
    return v;
}

void Background(f32 x, f32 y, f32 width, f32 height) {
    const f32 rect[4] = {x, y, x + width, y + height};
    const u32 colours[5] = {kGxDebugStatusBackColor, kGxDebugStatusBackColor, kGxDebugStatusBackColor,
                            kGxDebugStatusBackColor, kGxDebugStatusBackColor};
    const u32 seconds[5] = {};
    GxDrawGradientRect(rect, colours, seconds, kBlendAlpha);
}

// A block of lines over one background as wide as its widest line; returns
// the y below it.
f32 DrawBlock(GxGDIFontMap* map, const std::vector<GxDebugStatusLine>& lines, f32 x, f32 y) {
    const s32 h = map->GetFontHeight();
    // A log line may be as long as anything a file held.
    s64 width = 0;
    std::vector<GxString> texts;
    for (const GxDebugStatusLine& line : lines) {
        texts.emplace_back(Visible(line.m_Text));
        width = std::max(width, s64(GxGetStringCellWidth(texts.back().c_str())) * h / 2);
    }
    Background(x, y, f32(width), f32(h) * f32(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i)
        GxDrawFontMapText(map, texts[i].c_str(), x, y + f32(h) * f32(i), &kGxVector2One, lines[i].m_Color, 0,
                          kBlendAlpha, u'\n');
    return y + f32(h) * f32(lines.size());
}

} // namespace

void DrawDebugStatus(const GxDebugConsoleOutputEx* console, f32 x, f32 y) {
    GxGDIFontMap* map = GxGlobalFonts::GetFontMap(kStatusFontSlot);
    if (!map) return;
    const GxDebugStatusText text = GxBuildDebugStatus(GxGatherDebugStatus(console));
    y = DrawBlock(map, {text.m_Status}, x, y);
    y = DrawBlock(map, text.m_CallStack, x, y);
    for (const GxDebugStatusLine& line : text.m_Console) y = DrawBlock(map, {line}, x, y);
}
