#include "script/GxMoaSystem.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxBinBuffer.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentCompressedBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "io/GxFileSystem.h"
#include "platform/system/process_launch.h"
#include "script/GxMoaBuiltinDefault.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorkerEx.h"

#include <memory>

namespace {
// Made by the game's start-up, ended by its shutdown.
std::unique_ptr<GxMoaSystem> g_System;
} // namespace

GxMoaSystem::GxMoaSystem(GxCoreBase* core)
    : m_Moa(std::make_unique<GxMoaEx>()),
      m_MainWorker(std::make_unique<GxMoaWorkerEx>(m_Moa.get(), core)),
      m_BuiltinDefault(std::make_unique<GxMoaBuiltinDefault>()),
      m_FunctionBinder(std::make_unique<GxMoaFunctionBinder>()) {}

GxMoaSystem::~GxMoaSystem() = default;

GxMoaSystem* GxMoaSystem::Get() { return g_System.get(); }

GxMoaEx* g_pMoa() { return g_System ? g_System->m_Moa.get() : nullptr; }
GxMoaWorkerEx* g_pMoaMainWorker() { return g_System ? g_System->m_MainWorker.get() : nullptr; }
GxMoaBuiltinDefault* g_pMoaBuiltinDefault() { return g_System ? g_System->m_BuiltinDefault.get() : nullptr; }
GxMoaFunctionBinder* g_pMoaFunctionBinder() { return g_System ? g_System->m_FunctionBinder.get() : nullptr; }

bool GxMoaStartup(GxCoreBase* core) {
    GxMoaShutdown();
    g_System = std::make_unique<GxMoaSystem>(core);
    return g_System->m_BuiltinDefault->RegisterBuiltins(g_System->m_FunctionBinder.get());
}

void GxMoaShutdown() { g_System.reset(); }

u32 RunScriptCompiler() {
    const GxString cwd = GxGetCurrentDirectory();
    const std::string program = GxToNativePath(GxGetFullPath(u"brelkit.exe"));
    const psys::exit_status status = psys::run_and_wait(
        {program, GxToNativePath(cwd + u"scripts"), GxToNativePath(cwd + u"bincode"), "-a", "-mc"});
    if (!status.started) {
        GxWriteErrorLog(u"スクリプトコンパイラの起動に失敗しました\n");
        return 1;
    }
    // Death by a signal is a failed compilation too.
    const u32 code = status.signalled ? 1 : u32(status.code);
    if (code != 0) GxWriteErrorLog(u"コンパイル時にエラーが発生したため古いスクリプトを実行しています\n");
    return code;
}

bool LoadMoaBincode() {
    GxMoaEx* moa = g_pMoa();
    if (!moa) return false;
    constexpr const GxChar* kPath = u"bincode/moacode.mwb";
    GxBinBuffer buffer;
    GxLoadFile(&buffer, kPath, false, false, kGxMoaBundleMaxSize);
    if (buffer.GetSize() == 0) return false;

    std::unique_ptr<GxContentReaderBase> reader;
    const char* magic = nullptr;
    switch (buffer.GetHeadByte()) {
    case 'T':
        reader = std::make_unique<GxContentTextReader>(buffer, true);
        magic = "TMOA";
        break;
    case 'B':
        reader = std::make_unique<GxContentBinaryReader>(buffer, true);
        magic = "BMOA";
        break;
    case 'Z':
        reader = std::make_unique<GxContentCompressedBinaryReader>(buffer, true);
        magic = "ZMOA";
        break;
    default:
        GxWriteErrorLog(u"BINCODEが古いバージョンです。新しいバージョンのスクリプトコンパイラを使用してください\n");
        GxWriteErrorLog(u"それでもうまく動かないときはbincodeの中の modlist.dat を削除してみてください\n");
        return false;
    }
    reader->SetSourceName(kPath);
    u32 version = 0;
    if (!reader->ReadHeader(magic, &version)) {
        GxWriteErrorLog(u"BINCODEのヘッダが異なります。新しいバージョンのスクリプトコンパイラを使用してください\n");
        return false;
    }
    const bool ok = moa->ReadBundle(reader.get());
    reader.reset();
    if (ok) {
        moa->InitExternVariables();
        if (GxMoaWorkerEx* worker = g_pMoaMainWorker()) worker->InitGlobalVariables();
    } else {
        GxWriteErrorLog(u"スクリプトが正しく読み込めませんでした\n");
    }
    return ok;
}
