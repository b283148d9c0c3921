#pragma once
// Shared pieces of the widget tests: a scene current on worker 0 with its
// main phase started (the real scene, whose gate the widgets ask), the
// process's UI manager, receivers that keep the events offered to them, a
// started device in a scratch folder, and the test image set "uigis/ui.gis".
#include "graphics/GxTextureFlexFactory.h"
#include "graphics/texture_fixture.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcImageSetPool.h"
#include "scenes/GxSeqBase.h"
#include "tools/builders/ContentBytes.h"
#include "support/FakeCore.h"
#include "support/FrameCapture.h"
#include "tools/builders/ImageSetWriter.h"
#include "support/LogCapture.h"
#include "tasks/GxTaskManage.h"
#include "tests/script/moa_stream.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace uitest {

// A task that keeps a copy of every UI event it is offered.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    bool OnUIEvent(GxTaskBase* sender, const GxUIEventParam* ev) override {
        events.push_back(*ev);
        return Base::OnUIEvent(sender, ev);
    }
    std::vector<s32> Types() const {
        std::vector<s32> t;
        for (const GxUIEventParam& e : events) t.push_back(e.m_Type);
        return t;
    }
    std::vector<GxUIEventParam> events;
};

// The image set's atlas: solid rectangles, one per origin image.
struct Region {
    const char16_t* name;
    s32 x, y, w, h;
    u32 argb;
};
inline constexpr Region kRegions[] = {
    {u"panel.png", 0, 0, 24, 16, 0xFF2040C0},         {u"bar_back.png", 0, 16, 40, 8, 0xFF404040},
    {u"bar_mid.png", 0, 24, 40, 8, 0xFF20C040},       {u"bar_on.png", 0, 32, 40, 8, 0x00000000},
    {u"slider_back.png", 0, 40, 40, 6, 0xFF808080},   {u"slider_backna.png", 0, 48, 40, 6, 0xFF303030},
    {u"slider_off.png", 48, 16, 6, 10, 0xFFE02020},   {u"slider_over.png", 56, 16, 6, 10, 0xFFE0E020},
    {u"slider_na.png", 48, 28, 6, 10, 0xFF602020},    {u"anime.png", 24, 0, 8, 8, 0xFFC020C0},
};

// A UI module record of the test image set "uigis/ui.gis".
inline DBUIModuleRecord Module(s32 type, const GxString& image, s32 width = 0, s32 height = 0) {
    DBUIModuleRecord m;
    m.ID = 7, m.UIType = type, m.Name = u"m_" + image, m.ImageSetName = u"ui", m.ImageName = image;
    m.Width = width, m.Height = height;
    return m;
}

// Draws each widget's render-list entry into a target; each opens and closes
// its own scene.
inline std::vector<uint32_t> DrawWidgets(qtest::FakeCore& core, u32 w, u32 h) {
    core.ClearRenderLists();
    core.GetTaskManage()->EnqueueRender(0, 0);
    return qtest::DrawFrame(core, w, h, true);
}

// Writes the widget, reads the stream into the second one and writes that:
// both streams must be the same bytes, and the whole stream must be read.
inline ::testing::AssertionResult SameStoredForm(GxTaskUIBase& from, GxTaskUIBase& into, bool text) {
    const auto write = [text](GxTaskUIBase& w) {
        return qtest::WriteContentBytes(text, "UITEST", 1, [&](GxContentWriterBase& wr) { w.WriteContent(&wr); });
    };
    const std::vector<unsigned char> bytes = write(from);
    mtest::StreamReader r(bytes, "UITEST", true);
    if (!r.headerOk || !into.ReadContent(r.reader.get()) || !r->IsEnd())
        return ::testing::AssertionFailure() << "not read back whole";
    if (write(into) != bytes) return ::testing::AssertionFailure() << "written back differently";
    return ::testing::AssertionSuccess();
}

class UITest : public gxtest::FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ASSERT_TRUE(m.ChangeSequence(scene, 0, 0, 0)) << log.Text();
        m.ApplySequenceChanges();
        scene->UpdateBeforeMain(0, 0);
        scene->SetAcceptUIEventFlag(true);
        scene->SetInstantUIEventFlag(true);
    }
    void TearDown() override {
        // The widgets give their textures back before the device checks
        // that nothing is left.
        core_.reset();
        if (GxNcImageSetPool::Get(u"uigis/ui.gis")) GxNcImageSetPool::Release(u"uigis/ui.gis");
        GxNcCrammedImageSetFactory::GetInstance().Clear();
        GxTextureFlexFactory::GetInstance().Clear();
        FileTest::TearDown();
    }

    // Starts the device and pools "uigis/ui.gis" with its atlas (the
    // "anime" image has three patterns side by side).
    void AddImageSet() {
        ASSERT_TRUE(Start());
        qtest::ImageSetSpec spec;
        std::vector<uint32_t> px(64 * 64, 0);
        for (const Region& r : kRegions)
            for (s32 y = r.y; y < r.y + r.h; ++y)
                for (s32 x = r.x; x < r.x + r.w; ++x) px[size_t(y) * 64 + size_t(x)] = r.argb;
        // The overlay is a white frame with a clear inside.
        for (s32 x = 0; x < 40; ++x) px[32 * 64 + x] = px[39 * 64 + x] = 0xFFFFFFFF;
        for (s32 y = 32; y < 40; ++y) px[y * 64] = px[y * 64 + 39] = 0xFFFFFFFF;
        spec.atlases = {{u"ui.png", 64, 64, 1, 0, px}};
        for (const Region& r : kRegions) {
            qtest::ImageSetOrigin o{r.name, -1, r.w, r.h, 0, {qtest::WholePattern(0, r.x, r.y, r.w, r.h)}};
            if (GxString(r.name) == u"anime.png")
                o.patterns = {qtest::WholePattern(0, 24, 0, 8, 8), qtest::WholePattern(0, 32, 0, 8, 8),
                              qtest::WholePattern(0, 40, 0, 8, 8)};
            spec.origins.push_back(o);
        }
        ASSERT_TRUE(qtest::WriteImageSetFiles(dir_.path(), "uigis/ui", spec, false));
        ASSERT_NE(GxNcImageSetPool::Add(u"uigis/ui.gis"), nullptr) << log.Text();
    }
    void Point(f32 x, f32 y) { core_->m_Cursor = GxPoint2{s32(x), s32(y)}; }
    // One update step of the widget with 16 ms.
    static void Step(GxTaskBase* w, s64 micros = 16000) { w->Update(0, micros); }
    // A widget one case made, gone before the next case makes its own.
    static void Remove(GxTaskBase* w) { w->Kill(), delete w; }

    qtest::LogCapture log;
    std::unique_ptr<qtest::FakeCore> core_ = std::make_unique<qtest::FakeCore>();
    GxUIManage ui;
    GxTaskManage& m = *core_->m_TaskManage;
    GxTaskBase* top = new GxTaskBase(&m);
    Recording<GxSeqBase>* scene = new Recording<GxSeqBase>(top, u"SeqTest");
    GxTaskFolder* root = new GxTaskFolder(scene, u"$UI:SeqTest");
};

} // namespace uitest
