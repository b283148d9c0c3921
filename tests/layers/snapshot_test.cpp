// Loaded projects and their snapshots: the factory's sharing, image sets and
// motions resolved, motions evaluated into layer snapshots (matrices,
// corners, texture coordinates, colours, blend inheritance, nesting, fired
// keys) against hand-computed values, and drawn.
#include "layer_fixture.h"

#include "layers/GxNcMotionSnapShotEx.h"
#include "layers/GxNcSnapShotListener.h"
#include "tools/builders/ImageSetWriter.h"
#include "support/LogCapture.h"
#include "tools/builders/ProjectWriter.h"

namespace {

using namespace qtest;

// Shows the pattern, or a plain square, or a nested motion.
GxNcImageKey Image(const GxString& set, const GxString& file, s32 pattern) {
    GxNcImageKey k;
    k.m_ImageSetName = set;
    k.m_ImageFileName = file;
    k.m_PatternIndex = pattern;
    return k;
}


struct Events : GxNcSnapShotListener {
    std::vector<std::string> seen;
    void OnSoundKey(GxNcMotionSnapShotEx*, int depth, int track, const GxNcSoundKey& k) override {
        seen.push_back("sound " + std::to_string(depth) + " " + std::to_string(track) + " " + std::to_string(k.m_Time));
    }
    void OnEventKey(GxNcMotionSnapShotEx*, int depth, int track, const GxNcEventKey& k) override {
        seen.push_back("event " + std::to_string(depth) + " " + std::to_string(track) + " " +
                       std::to_string(k.m_EventID));
    }
};

class Projects : public ltest::GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        ImageSetSpec set;
        set.atlases = {{u"atlas.png", 64, 32, 2, 0, ltest::AtlasPixels(64, 32)}};
        ImageSetPattern trimmed = WholePattern(0, 4, 5, 16, 14);
        trimmed.offsetLeft = 2, trimmed.offsetTop = 3, trimmed.centerX = 5, trimmed.centerY = 4;
        trimmed.hasRawUV = true, trimmed.rawUV = GxFRect{0.0625f, 0.15625f, 0.3125f, 0.59375f};
        set.origins = {{u"parts.png", -1, 40, 20, 0, {trimmed, WholePattern(0, 24, 0, 20, 10)}}};
        ASSERT_TRUE(WriteImageSetFiles(dir_.path(), "gnc/parts", set, false));

        GxNcMotionGroup* g = AddMotionGroup(project_, u"g");
        GxNcMotion* main = AddMotion(*g, u"main", 60);
        AddDrawnLayer(*main, u"body", Image(u"parts", u"parts.png", 0), 30, 20, 90, 2, 0.5f, 3);
        GxNcImageKey square;
        square.m_Width = 10, square.m_Height = 6;
        AddDrawnLayer(*main, u"child", square, 5, 0, 0, 1, 1, 0);
        GxNcImageKey nested;
        nested.m_MotionGroupName = u"g", nested.m_MotionName = u"sub";
        AddDrawnLayer(*main, u"nest", nested, 8, 40, 0, 1, 1, 0);
        GxNcLayerNode* body = AddLayerNode(*main, nullptr, u"body");
        AddLayerNode(*main, body, u"child");
        AddLayerNode(*main, nullptr, u"nest");
        GxNcEventKey ev;
        ev.m_Time = 30, ev.m_EventID = 7;
        main->m_EventTrack[2] = {ev};
        GxNcSoundKey sound;
        sound.m_Time = 30;
        main->m_SoundTrack = {sound};

        GxNcMotion* sub = AddMotion(*g, u"sub", 0);
        AddDrawnLayer(*sub, u"leaf", Image(u"parts", u"parts.png", 1), 0, 0, 0, 1, 1, 0);
        AddLayerNode(*sub, nullptr, u"leaf");
        WriteProjectFile(dir_.path() / "gnc/title.gnc", project_, {u"data/parts.gis"}, true);
    }
    GxNcProjectFactory& F() { return GxNcProjectFactory::GetInstance(); }
    GxNcProjectEx* Load() { return F().Get(u"gnc/Title", u"gnc", true); }

    GxNcProject project_;
};

void ExpectPoint(const GxVector4& p, f32 x, f32 y, const char* what) {
    EXPECT_NEAR(p.x, x, 1e-3f) << what;
    EXPECT_NEAR(p.y, y, 1e-3f) << what;
    EXPECT_EQ(p.w, 0) << what;
}

TEST_F(Projects, TheFactorySharesLoadedProjects) {
    GxNcProjectEx* p = Load();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(F().Get(u"gnc/title", u"ignored", true), p);
    EXPECT_EQ(p->GetRefCount(), 2u);
    EXPECT_EQ(p->GetImageFolder(), u"gnc/");
    EXPECT_EQ(p->GetImageSetFileNames(), (std::vector<GxString>{u"gnc/parts.gis"})) << "folder + the file-name part";
    const GxNcMotion* main = p->FindMotion(u"g", u"main");
    ASSERT_NE(main, nullptr);
    const GxNcImageKey& body = main->m_LayerList[0]->m_ImageTrack[0];
    ASSERT_NE(body.m_pOriginImage, nullptr);
    EXPECT_EQ(body.m_pOriginImage->m_FileName, u"parts.png");
    EXPECT_EQ(main->m_LayerList[2]->m_ImageTrack[0].m_pMotion, p->FindMotion(u"g", u"sub"));

    qtest::LogCapture log;
    F().ReportNotReleased();
    EXPECT_TRUE(log.Contains("Warning/GxNcProjectFactory Object Not Released(gnc/title)\n")) << log.Text();
    F().Release(p);
    F().ReleaseByName(u"GNC/TITLE");
    EXPECT_EQ(F().Find(u"gnc/title"), nullptr);
    GxString set = u"gnc/parts";
    EXPECT_EQ(GxNcCrammedImageSetFactory::GetInstance().Find(set), nullptr) << "its image sets were given back";
    F().ReleaseByName(u"gnc/Title");
    EXPECT_TRUE(log.Contains("Warning/GxNcProjectFactory You tried to release the object does not exist(gnc/Title)\n"))
        << log.Text();
    GxNcProjectEx stranger;
    F().Release(&stranger);
    EXPECT_TRUE(log.Contains("You tried to release the object does not exist(0x")) << log.Text();

    GxNcProjectEx* missing = F().Get(u"absent", u"", true);
    ASSERT_NE(missing, nullptr) << "a project whose file is missing stays registered, empty";
    EXPECT_TRUE(missing->m_MotionGroupList.empty());
    EXPECT_EQ(F().Get(u"ABSENT", u"", true), missing);
    F().ReleaseByName(u"absent");
    F().ReleaseByName(u"absent");
}

TEST_F(Projects, UnresolvedImagesAndMotionsAreLogged) {
    GxNcMotion* m = AddMotion(*project_.m_MotionGroupList[0], u"broken", 10);
    AddDrawnLayer(*m, u"lost", Image(u"parts", u"nothing.png", 0), 0, 0, 0, 1, 1, 0);
    GxNcImageKey away;
    away.m_Time = 4, away.m_MotionGroupName = u"g", away.m_MotionName = u"away";
    AddDrawnLayer(*m, u"far", away, 0, 0, 0, 1, 1, 0);
    // More of each: the project's first of each kind is said, once.
    AddDrawnLayer(*m, u"lost2", Image(u"parts", u"nothing2.png", 0), 0, 0, 0, 1, 1, 0);
    away.m_MotionName = u"away2";
    AddDrawnLayer(*m, u"far2", away, 0, 0, 0, 1, 1, 0);
    WriteProjectFile(dir_.path() / "gnc/title.gnc", project_, {u"parts.gis"}, false);
    qtest::LogCapture log;
    GxNcProjectEx* p = Load();
    EXPECT_EQ(log.Lines().size(), 2u) << log.Text();
    EXPECT_TRUE(log.Contains(
        "画像が存在しません MotionGroup:g Motion:broken Layer:lost Time:0 -> ImageSet:parts File:nothing.png\n"))
        << log.Text();
    EXPECT_TRUE(log.Contains("KeyFrameが存在しないモーションを参照しています MotionGroup:g Motion:broken Layer:far "
                             "Time:4 -> MotionGroup:g Motion:away\n"))
        << log.Text();
    F().Release(p);
}

TEST_F(Projects, SnapshotsAgainstHandComputedValues) {
    GxNcProjectEx* p = Load();
    const GxNcMotion* main = p->FindMotion(u"g", u"main");
    GxNcMotionSnapShotEx snap;
    GxMatrix parent;
    parent.SetTranslation(10, 0, 0);
    Events events;
    snap.Update(p, main, 30, GxVector4(0, 0, 0, 0), &parent, GxFColor(1, 1, 1, 1), 4, &events);
    ASSERT_EQ(snap.m_Layers.size(), 3u);
    EXPECT_EQ(snap.m_Period, 60);
    Begin(64, 64, 0xFF101010);
    snap.Draw(GxMatrix(), 1, GxFColor(1, 1, 1, 1), GxFColor(0, 0, 0, 0), 0, 0, nullptr);
    const std::vector<uint32_t> px = End();
    EXPECT_EQ(At(px, 0, 0), 0xFF101010u);
    EXPECT_EQ(At(px, 20, 45), 0xFF682840u) << "the leaf: atlas (26, 5) at (20, 45)";
    EXPECT_TRUE(Golden("project_snapshot", px));

    // body: the pattern's kept part less its centre (5, 4), scaled (2, 1),
    // turned 90 degrees, moved to (30, 20), then by the parent to x + 10.
    const GxNcLayerSnapShotEx& body = snap.m_Layers[0];
    ExpectPoint(body.m_Pos[0], 41, 14, "corner 0: (-3, -1) -> (-6, -1) -> (1, -6)");
    ExpectPoint(body.m_Pos[1], 27, 14, "corner 1: (-3, 13) -> (-6, 13) -> (-13, -6)");
    ExpectPoint(body.m_Pos[2], 27, 46, "corner 2: (13, 13) -> (26, 13) -> (-13, 26)");
    ExpectPoint(body.m_Pos[3], 41, 46, "corner 3: (13, -1) -> (26, -1) -> (1, 26)");
    ExpectPoint(body.m_Pos[4], 34, 30, "centre: (5, 6) -> (10, 6) -> (-6, 10)");
    EXPECT_NEAR(body.m_MatLocal[12], 30, 1e-5f);
    EXPECT_NEAR(body.m_MatWorld[12], 40, 1e-5f);
    EXPECT_NEAR(body.m_MatWorld[1], 2, 1e-5f) << "scale then turn: x goes to y";
    EXPECT_EQ(body.m_UV[0], GxVector2(0.0625f, 0.15625f)) << "the raw texture coordinates";
    EXPECT_EQ(body.m_UV[4], GxVector2(0.1875f, 0.375f));
    EXPECT_EQ(body.m_Color[2], GxFColor(1, 1, 1, 0.5f)) << "alpha key times the vertex colour";
    EXPECT_EQ(body.m_BlendMode, 3u);

    const GxNcLayerSnapShotEx& child = snap.m_Layers[1];
    ExpectPoint(child.m_Pos[0], 43, 20, "the child's (-5, -3) + (5, 0) through the body's world");
    EXPECT_EQ(child.m_UV[2], GxVector2(1, 1)) << "no pattern: the default coordinates";
    EXPECT_EQ(child.m_BlendMode, 3u) << "blend 0 takes the parent's";

    const GxNcLayerSnapShotEx& nest = snap.m_Layers[2];
    EXPECT_EQ(nest.m_BlendMode, 1u) << "a top-level blend 0 takes 1";
    ASSERT_NE(nest.m_pNested, nullptr);
    EXPECT_EQ(nest.m_pNested->m_Period, 1) << "an end time of 0 loops over 1";
    const GxNcLayerSnapShotEx& leaf = nest.m_pNested->m_Layers[0];
    ExpectPoint(leaf.m_Pos[2], 38, 50, "pattern 1 (20 x 10) at the nest's (8, 40) + 10");
    EXPECT_EQ(leaf.m_UV[2], GxVector2(44.0f / 64, 10.0f / 32))
        << "without raw coordinates the atlas pixels give them";

    EXPECT_EQ(events.seen, (std::vector<std::string>{"sound 4 0 30", "event 4 2 7"}));
    events.seen.clear();
    snap.Update(p, main, 31, GxVector4(), &parent, GxFColor(1, 1, 1, 1), 4, &events);
    snap.Update(p, main, 90, GxVector4(), &parent, GxFColor(1, 1, 1, 1), 4, &events);
    EXPECT_TRUE(events.seen.empty()) << "keys fire at the unwrapped time only";

    snap.Update(p, main, 30, GxVector4(0, 100, 0, 0), nullptr, GxFColor(1, 1, 1, 0.5f), 0, nullptr);
    ExpectPoint(snap.m_Layers[0].m_Pos[0], 31, 114, "the offset comes after the world transform");
    EXPECT_EQ(snap.m_Layers[0].m_Color[0].a, 0.25f) << "the tint multiplies";
    EXPECT_EQ(snap.m_Layers[2].m_pNested, nullptr) << "depth 0 shows no nested motion and drops the old one";

    snap.Update(p, p->FindMotion(u"g", u"sub"), 0, GxVector4(), nullptr, GxFColor(1, 1, 1, 1), 4, nullptr);
    EXPECT_EQ(snap.m_Layers.size(), 1u) << "a smaller motion leaves no stale layers behind";
    F().Release(p);
}

TEST_F(Projects, AnUnlinkedNodeIsReportedOnce) {
    GxNcProject p;
    GxNcMotion* m = AddMotion(*AddMotionGroup(p, u"g"), u"m", 10);
    AddDrawnLayer(*m, u"a", GxNcImageKey{}, 0, 0, 0, 1, 1, 1);
    AddDrawnLayer(*m, u"b", GxNcImageKey{}, 7, 0, 0, 1, 1, 1);
    AddLayerNode(*m, nullptr, u"a");
    AddLayerNode(*m, nullptr, u"ghost");
    AddLayerNode(*m, nullptr, u"b");
    qtest::LogCapture log;
    m->LinkTree();
    GxNcMotionSnapShotEx snap;
    for (int i = 0; i < 3; ++i) snap.Update(&p, m, i, GxVector4(), nullptr, GxFColor(1, 1, 1, 1), 4, nullptr);
    int lines = 0;
    for (const std::string& l : log.Lines())
        lines += l == "GxNcMotionSnapShotEx::CreateCombinedParam_Sub/Layer:ghost Tree is not prepared\n";
    EXPECT_EQ(lines, 1) << log.Text();
    EXPECT_EQ(snap.m_Layers[1].m_MatWorld[12], 0) << "the chain after the unlinked node is left out";
}

} // namespace
