// Screens built from a UI module table and a UI layout table of any bytes,
// as a scene builds them: every parent name of the layout that no record
// creates becomes a panel of the scene, built from its records, and each
// widget that records name as their parent gets its own widgets, a few
// levels deep. The screen then runs frames on a headless device with the
// sample's pictures mounted, is pointed at and clicked on every widget, and
// has its event states reset and the auto and skip modes cancelled.
//
// Input: bytes 0-3 the length n of the module table (little-endian), the
// module table's n bytes, then the layout table.
#include "fuzz/io/memory_file.h"
#include "fuzz/leak_checks.h"
#include "gamedata/DBUILayout.h"
#include "gamedata/DBUIModule.h"
#include "gamedata/GxDataTables.h"
#include "graphics/GxGraphics.h"
#include "io/GxFileSystem.h"
#include "platform/glyph/face_finder.h"
#include "scenes/GxSeqBase.h"
#include "support/FakeCore.h"
#include "tasks/GxTaskFolder.h"
#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

constexpr int kLevels = 4;
constexpr size_t kPanels = 16;
constexpr int kFrames = 2;
constexpr size_t kClicks = 48;

// A started headless device and the sample's pack, once; the font library's
// configuration loaded before any input.
bool Ready() {
    static const bool ready = [] {
        qfuzz::WithoutLeakChecks([] { pglyph::find_face(u""); });
#ifdef QUILLON_FUZZ_SAMPLE
        GxMountPackFile(u"" QUILLON_FUZZ_SAMPLE "/sample.gxp");
#endif
        const bool started = GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
        std::atexit([] { GxGraphics::Finalize(); });
        return started;
    }();
    return ready;
}

u32 LE32(const uint8_t* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }

void Frames(qtest::FakeCore& core) {
    GxTaskManage& tm = *core.GetTaskManage();
    for (int i = 0; i < kFrames; ++i) {
        core.ClearRenderLists();
        tm.SweepTaskTree(tm.GetTopTask());
        tm.Update(0, 16000);
        tm.EnqueueRender(0, 16000);
        // Each frame is presented, as the game does, so that an input pays
        // for its own drawing and not for the frames of inputs before it.
        GxGraphics::BeginScene();
        core.DrawRenderLists();
        GxGraphics::EndScene();
        GxGraphics::Present();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > (1u << 20) || !Ready()) return 0;
    const size_t n = std::min<size_t>(LE32(data), size - 4);
    qfuzz::MemoryFile modules(data + 4, n), layouts(data + 4 + n, size - 4 - n);
    if (!modules.Ok() || !layouts.Ok()) return 0;
    GxResetDataTables();
    g_DBUIModule.Load(modules.Path().c_str());
    g_DBUILayout.Load(layouts.Path().c_str());
    {
        qtest::FakeCore core;
        GxUIManage ui;
        ui.SetLayoutTable(g_DBUILayout.GetRecords());
        GxTaskManage& tm = *core.GetTaskManage();
        auto* top = new GxTaskBase(&tm);
        auto* scene = new GxSeqBase(top, u"SeqFuzz");
        if (tm.ChangeSequence(scene, 0, 0, 0)) {
            tm.ApplySequenceChanges();
            scene->UpdateBeforeMain(0, 0);
        }

        // The panels: parent names no record creates.
        std::set<GxString> created, parents;
        for (const DBUILayoutRecord& r : g_DBUILayout.GetRecords()) {
            if (r.Create == 0) continue;
            created.insert(r.TaskName);
            parents.insert(r.ParentName);
        }
        std::vector<std::pair<GxString, GxTaskBase*>> level;
        for (const GxString& name : parents) {
            if (created.count(name) || level.size() == kPanels) continue;
            level.emplace_back(name, new GxTaskFolder(scene, name.c_str()));
        }
        std::vector<GxTaskUIBase*> widgets;
        for (int depth = 0; depth < kLevels && !level.empty(); ++depth) {
            const size_t before = widgets.size();
            for (const auto& [name, parent] : level) {
                ui.CreateUIFromLayout(name, parent, scene);
                for (GxTaskBase* t = parent->GetFirstChild(); t; t = t->GetNextSibling())
                    if (GxTaskUIBase* w = GxTaskUIBase::FromTask(t)) widgets.push_back(w);
            }
            level.clear();
            for (size_t i = before; i < widgets.size(); ++i)
                if (parents.count(widgets[i]->GetTaskName())) level.emplace_back(widgets[i]->GetTaskName(), widgets[i]);
        }

        // Where the widgets stand (a spread of them), taken before anything
        // runs: a click may end a widget.
        std::vector<GxVector2> points;
        for (size_t i = 0; i < widgets.size(); i += 1 + widgets.size() / kClicks) {
            GxTaskUIBase* w = widgets[i];
            GxVector4 at;
            w->GetWorldPos(&at);
            points.emplace_back(at.x + 2, at.y + 2);
        }
        Frames(core);
        for (const GxVector2& at : points) {
            tm.OnMouseMove(at, 0);
            tm.DispatchLButtonDown(at, 1);
            tm.OnLButtonUp(at, 0);
        }
        Frames(core);
        GxUIManage::ResetUIEventStates(scene->GetFirstChild());
        ui.m_AutoMode = ui.m_SkipMode = true;
        GxCancelAutoMode(&ui, scene);
        GxCancelSkipMode(&ui, scene);
        Frames(core);
    }
    GxResetDataTables();
    return 0;
}
