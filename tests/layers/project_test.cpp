// Layout projects: the ".gnc" value list against the hand-made goldens, the
// records it builds, the layer tree and its links, and the refusal of
// damaged files.
#include "layer_fixture.h"

#include "layers/GxNcContentFile.h"
#include "layers/GxNcProject.h"
#include "layers/GxNcProjectReader.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "tools/builders/ProjectWriter.h"
#include "support/TempDir.h"

namespace {

using namespace qtest;

GxNcVertexKey Colours(f32 r, f32 g, f32 b, f32 a) {
    GxNcVertexKey k;
    for (GxVector4& v : k.m_Value) v = GxVector4(r, g, b, a);
    return k;
}

void Tail(GxNcLayer* l, const GxString& name, u32 blend) {
    l->m_EnumName = u"E_" + name;
    l->m_LayerID = 100000001;
    l->m_LastTime = 30;
    l->m_LoopMode = 1;
    l->m_BlendMode = blend;
    l->m_FilterMode = 2;
    l->m_Expanded = 1;
}

// The project of tests/golden/layers/golden.?gnc, built in memory.
void GoldenProject(GxNcProject& p) {
    p.m_ProjectName = u"golden";
    p.m_IssuableMotionID = 200000002;
    p.m_IssuableLayerID = 100000003;
    p.m_IssuableMotionGroupID = 400000001;
    p.m_IssuableStageID = 600000001;
    GxNcMotionGroup* g = AddMotionGroup(p, u"menu");
    g->m_EnumName = u"G_MENU";
    g->m_MotionGroupID = 400000000;
    GxNcMotion* m = AddMotion(*g, u"open", 60);
    m->m_EnumName = u"M_OPEN";
    m->m_MotionID = 200000001;
    m->m_TotalDuration = m->m_PlayTime = 60;
    GxNcLayer* root = AddLayer(*m, u"root");
    Tail(root, u"root", 3);
    GxNcImageKey ik;
    ik.m_ImageSetName = u"parts";
    ik.m_ImageFileName = u"button.png";
    ik.m_PatternIndex = 1;
    ik.m_Width = 40, ik.m_Height = 20, ik.m_OffsetFrame = 5, ik.m_LoopMode = 0;
    root->m_ImageTrack = {ik};
    GxNcVector4Key p0, p1;
    p0.m_Value = GxVector4(10, 20, 0, 0), p0.m_InterMode = 2, p0.m_InterParam0 = 0.25f;
    p1.m_Time = 60, p1.m_Value = GxVector4(30, 40, 0, 0);
    root->m_PosTrack = {p0, p1};
    GxNcFloatKey alpha;
    alpha.m_Value = 0.5f;
    root->m_AlphaTrack = {alpha};
    GxNcUIntKey vis;
    vis.m_Value = 1;
    root->m_VisibleTrack = {vis};
    GxNcVertexKey colours = Colours(1, 0.5f, 0.25f, 1);
    colours.m_SelectedLocalFlags = 31;
    root->m_VertexColorTrack = {colours};
    Tail(AddLayer(*m, u"child"), u"child", 0);
    GxNcSoundKey sound;
    sound.m_Time = 12, sound.m_SoundName = u"se/open.wav";
    m->m_SoundTrack = {sound};
    GxNcEventKey ev;
    ev.m_Time = 30, ev.m_EventID = 7, ev.m_AfterCallFlag = 1, ev.m_Param = u"名前";
    m->m_EventTrack[0] = {ev};
    GxNcLayerNode* r = AddLayerNode(*m, nullptr, u"root");
    r->m_LayerIndex = 9;
    AddLayerNode(*m, r, u"child")->m_LayerIndex = 9;
    p.m_StageList.push_back(std::make_unique<GxNcStage>());
}

bool ReadBytes(const std::vector<unsigned char>& bytes, GxNcProject& p, std::vector<GxString>* sets) {
    GxNcContentFile file;
    if (!file.OpenBytes(bytes.data(), u32(bytes.size()), "NCPROJ", GxNcContentFile::OtherForms::AsBinary)) return false;
    return p.ReadStream(file.GetReader(), sets);
}

TEST(ProjectFormat, GoldenFilesReadAndAreWrittenAlike) {
    GxNcProject built;
    GoldenProject(built);
    for (const char* form : {"tgnc", "bgnc"}) {
        SCOPED_TRACE(form);
        const std::vector<unsigned char> golden = qtest::ReadBytes(GoldenPath(std::string("layers/golden.") + form));
        ASSERT_FALSE(golden.empty());
        EXPECT_EQ(BuildProject(built, {u"parts.gis"}, form[0] == 't'), golden) << "the test writer follows the value list";

        qtest::LogCapture log;
        GxNcProject p;
        std::vector<GxString> sets{u"kept"};
        ASSERT_TRUE(ReadBytes(golden, p, &sets));
        EXPECT_EQ(sets, (std::vector<GxString>{u"kept", u"parts.gis"}));
        EXPECT_EQ(p.m_ProjectName, u"golden");
        EXPECT_EQ(p.m_IssuableLayerID, 100000003u);
        EXPECT_EQ(p.m_IssuableReserveID3, 1000000000u);
        EXPECT_EQ(p.m_StageList.size(), 1u);
        GxNcMotion* m = p.FindMotion(u"menu", u"open");
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(p.FindMotionGroup(u"menu")->m_MotionGroupID, 400000000u);
        EXPECT_EQ(m->m_MotionID, 200000001u);
        EXPECT_EQ(m->m_EndTime, 60);
        ASSERT_EQ(m->m_LayerList.size(), 2u);
        const GxNcLayer& root = *m->m_LayerList[0];
        EXPECT_EQ(root.m_EnumName, u"E_root");
        EXPECT_EQ(root.m_LastTime, 30);
        EXPECT_EQ(root.m_AttachIndex, -1);
        EXPECT_EQ(root.m_BlendMode, 3u);
        EXPECT_EQ(root.m_FilterMode, 2u);
        EXPECT_EQ(root.m_Expanded, 1u);
        ASSERT_EQ(root.m_ImageTrack.size(), 1u);
        EXPECT_EQ(root.m_ImageTrack[0].m_ImageFileName, u"button.png");
        EXPECT_EQ(root.m_ImageTrack[0].m_OffsetFrame, 5);
        EXPECT_EQ(root.m_ImageTrack[0].m_LoopMode, 0u);
        ASSERT_EQ(root.m_PosTrack.size(), 2u);
        EXPECT_EQ(root.m_PosTrack[0].m_InterMode, 2u);
        EXPECT_EQ(root.m_PosTrack[0].m_InterParam0, 0.25f);
        EXPECT_EQ(root.m_PosTrack[1].m_Value.y, 40);
        EXPECT_TRUE(root.m_ScaleTrack.empty()) << "a track of no keys is empty";
        EXPECT_EQ(root.m_AlphaTrack[0].m_Value, 0.5f);
        EXPECT_EQ(root.m_VisibleTrack[0].m_Value, 1u);
        EXPECT_EQ(root.m_VertexColorTrack[0].m_Value[4].z, 0.25f);
        EXPECT_EQ(root.m_VertexColorTrack[0].m_SelectedLocalFlags, 31u);
        EXPECT_EQ(m->m_SoundTrack[0].m_SoundName, u"se/open.wav");
        EXPECT_EQ(m->m_EventTrack[0][0].m_Param, u"名前");
        EXPECT_EQ(m->m_EventTrack[0][0].m_AfterCallFlag, 1u);
        EXPECT_TRUE(m->m_EventTrack[3].empty());
        GxNcLayerNode* r = m->GetRootNode();
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->m_LayerIndex, 0) << "the stored index is replaced by the link";
        EXPECT_EQ(r->m_pLayer, m->m_LayerList[0].get());
        auto* child = static_cast<GxNcLayerNode*>(r->m_FirstChild);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->m_LayerIndex, 1);
        EXPECT_EQ(r->m_Next, nullptr);
        EXPECT_TRUE(log.Lines().empty()) << log.Text();
    }
}

TEST(ProjectFormat, TreesLinkByNameToTheFirstLayer) {
    GxNcProject p;
    GxNcMotion* m = AddMotion(*AddMotionGroup(p, u"g"), u"m", 10);
    AddLayer(*m, u"a");
    AddLayer(*m, u"b");
    AddLayer(*m, u"a");
    GxNcLayerNode* first = AddLayerNode(*m, nullptr, u"a");
    AddLayerNode(*m, first, u"b");
    AddLayerNode(*m, nullptr, u"ghost");
    AddLayerNode(*m, nullptr, u"b");
    for (bool text : {true, false}) {
        GxNcProject q;
        qtest::LogCapture log;
        ASSERT_TRUE(ReadBytes(BuildProject(p, {}, text), q, nullptr));
        GxNcMotion* read = q.FindMotion(u"g", u"m");
        GxNcLayerNode* n = read->GetRootNode();
        EXPECT_EQ(n->m_LayerIndex, 0) << "two layers of the name: the first";
        EXPECT_EQ(static_cast<GxNcLayerNode*>(n->m_FirstChild)->m_LayerIndex, 1);
        auto* ghost = static_cast<GxNcLayerNode*>(n->m_Next);
        ASSERT_NE(ghost, nullptr) << "a second top-level stratum is the root's sibling";
        EXPECT_EQ(ghost->m_LayerIndex, -1);
        EXPECT_EQ(ghost->m_pLayer, nullptr);
        EXPECT_EQ(static_cast<GxNcLayerNode*>(ghost->m_Next)->m_LayerIndex, 1);
        EXPECT_TRUE(log.Contains("LayerNotFound:ghost\n")) << log.Text();
    }
}

// A project's head down to the times of its one motion in its one group.
void WriteOneMotionHead(GxContentWriterBase& w, const GxChar* name) {
    w.Write("m_ProjectName", name);
    for (int i = 0; i < 9; ++i) w.Write("m_Issuable", u32(0));
    w.WriteListBegin("m_MotionGroupList", "", 1);
    w.Write("m_MotionGroupName", u"g");
    w.Write("m_EnumName", u"");
    w.Write("m_MotionGroupID", u32(0));
    w.WriteListBegin("m_MotionList", "", 1);
    w.Write("m_MotionName", u"m");
    w.Write("m_EnumName", u"");
    w.Write("m_MotionID", u32(0));
    for (int i = 0; i < 4; ++i) w.Write("t", s32(0));
}

// A chain of nested strata `depth` deep.
std::vector<unsigned char> DeepTree(int depth) {
    return WriteContentBytes(false, "NCPROJ", 1, [depth](GxContentWriterBase& w) {
        WriteOneMotionHead(w, u"deep");
        w.WriteListBegin("m_LayerList", "", 0);
        w.WriteListEnd();
        for (int i = 0; i < 5; ++i) {
            w.WriteListBegin("", "", 0);
            w.WriteListEnd();
        }
        w.WriteTreeBegin("m_LayerTree", "");
        for (int i = 0; i < depth; ++i) {
            w.WriteTreeStratumBegin();
            w.Write("m_LayerName", u"n");
            w.Write("m_LayerIndex", s32(-1));
        }
        for (int i = 0; i < depth; ++i) w.WriteTreeStratumEnd();
        w.WriteTreeEnd();
        w.WriteListEnd();
        w.WriteListEnd();
        w.WriteListBegin("m_StageList", "", 0);
        w.WriteListEnd();
        w.WriteListBegin("m_ImageSetFileNameList", "", 0);
        w.WriteListEnd();
    });
}

// The head of a project down to its one layer's image track, which claims
// `keys` keys; `pad` bytes of something else follow.
std::vector<unsigned char> ClaimedKeys(u32 keys, u32 pad) {
    return WriteContentBytes(false, "NCPROJ", 1, [&](GxContentWriterBase& w) {
        WriteOneMotionHead(w, u"claims");
        w.WriteListBegin("m_LayerList", "", 1);
        w.Write("m_LayerName", u"l");
        w.Write("m_EnumName", u"");
        // m_LayerID to m_Expanded: m_LastTime and m_AttachIndex are signed.
        for (int i = 0; i < 18; ++i) i == 1 || i == 4 ? w.Write("v", s32(0)) : w.Write("v", u32(0));
        w.WriteListBegin("", "", keys);
        const std::vector<unsigned char> junk(pad, 0x05);
        w.WriteBinary("pad", junk.data(), u32(junk.size()));
    });
}

TEST(ProjectFormat, DamagedFilesCostOneLineAndNothingAfterTheDamage) {
    GxNcProject golden;
    GoldenProject(golden);
    std::vector<unsigned char> bytes = BuildProject(golden, {u"a.gis"}, false);
    std::vector<unsigned char> wrongMagic = bytes;
    wrongMagic[1] = 'X';
    std::vector<unsigned char> zipped = bytes;
    zipped[0] = 'Z';
    std::vector<unsigned char> hugeCount = WriteContentBytes(false, "NCPROJ", 1, [](GxContentWriterBase& w) {
        w.Write("m_ProjectName", u"x");
        for (int i = 0; i < 9; ++i) w.Write("m_Issuable", u32(0));
        w.WriteListBegin("m_MotionGroupList", "", 0xFFFFFFF0u);
    });
    std::vector<unsigned char> stages = WriteContentBytes(false, "NCPROJ", 1, [](GxContentWriterBase& w) {
        w.Write("m_ProjectName", u"x");
        for (int i = 0; i < 9; ++i) w.Write("m_Issuable", u32(0));
        w.WriteListBegin("m_MotionGroupList", "", 0);
        w.WriteListEnd();
        w.WriteListBegin("m_StageList", "", 1u << 20);
    });
    // A value error inside the body: the first layer's m_LastTime claims to
    // be a u32.
    std::vector<unsigned char> mistyped = BuildProject(golden, {}, true);
    const size_t at = std::string(mistyped.begin(), mistyped.end()).find("05\tm_LastTime");
    ASSERT_NE(at, std::string::npos);
    mistyped[at + 1] = '6';
    struct Row {
        const char* what;
        std::vector<unsigned char> bytes;
        bool ok;
        const char* line;
    } rows[] = {
        {"wrong magic", wrongMagic, false, "GxContentBinaryReader/FileHeader Isn't BNCPROJ"},
        {"compressed form read as binary", zipped, false, "FileHeader Isn't BNCPROJ"},
        {"a count beyond the file", hugeCount, false, "リストの要素数が不正です(m_MotionGroupList:4294967280)"},
        // Within the bytes left at one byte a key, beyond them at a key's least.
        {"20,000 keys in 20 KB", ClaimedKeys(20000, 20000), false, "リストの要素数が不正です(:20000)"},
        {"keys that are not there", ClaimedKeys(200, 20000), true, "ValueType Isn't VALTYPE_GxS32"},
        {"a million stages", stages, false, "リストの要素数が不正です(m_StageList:1048576)"},
        {"a tree nested 64 deep", DeepTree(GxNcProjectReader::kMaxTreeDepth), true, "LayerNotFound:n"},
        {"a tree nested 65 deep", DeepTree(GxNcProjectReader::kMaxTreeDepth + 1), false,
         "レイヤーツリーの階層が深すぎます(65)"},
        {"a value of the wrong type", mistyped, true, "ValueType Isn't VALTYPE_GxS32 Line=28"},
    };
    qtest::TempDir dir;
    for (const Row& r : rows) {
        ASSERT_TRUE(qtest::WriteBytes(dir.path() / "p.gnc", r.bytes));
        qtest::LogCapture log;
        GxNcProject p;
        EXPECT_EQ(p.Read(dir.u16("p.gnc"), nullptr), r.ok) << r.what;
        EXPECT_EQ(log.Lines().size(), r.line ? 1u : 0u) << r.what << ": " << log.Text();
        // The one line names the file.
        if (r.line) {
            EXPECT_TRUE(log.Contains(std::string(r.line) + " (" + (dir.path() / "p.gnc").string() + ")"))
                << r.what << ": " << log.Text();
        }
        if (!r.ok) {
            EXPECT_TRUE(p.m_MotionGroupList.empty()) << r.what << ": a refused file leaves nothing half read";
        }
    }

    // Reading stops at the value error: the layer it was in is kept as far
    // as it was read, and nothing after it is read.
    GxNcProject p;
    qtest::LogCapture log;
    EXPECT_TRUE(ReadBytes(mistyped, p, nullptr));
    GxNcMotion* m = p.FindMotion(u"menu", u"open");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->m_LayerList.size(), 1u);
    EXPECT_EQ(m->m_LayerList[0]->m_LayerName, u"root");
    EXPECT_TRUE(m->m_LayerList[0]->m_ImageTrack.empty()) << "no tracks after the layer's error";
    EXPECT_TRUE(m->m_SoundTrack.empty());
    GxNcProject claimed;
    EXPECT_TRUE(ReadBytes(ClaimedKeys(200, 20000), claimed, nullptr));
    ASSERT_EQ(claimed.m_MotionGroupList.size(), 1u);
    EXPECT_EQ(claimed.m_MotionGroupList[0]->m_MotionList[0]->m_LayerList[0]->m_ImageTrack.size(), 1u)
        << "the key whose first value failed, and none after it";
}

TEST(ProjectFormat, ReadFromAFile) {
    qtest::TempDir dir;
    GxNcProject golden;
    GoldenProject(golden);
    WriteProjectFile(dir.path() / "p.gnc", golden, {u"a.gis"}, true);
    GxNcProject p;
    std::vector<GxString> sets;
    EXPECT_TRUE(p.Read(dir.u16("p.gnc"), &sets));
    EXPECT_EQ(sets.size(), 1u);
    qtest::LogCapture log;
    EXPECT_FALSE(p.Read(dir.u16("missing.gnc"), &sets));
    EXPECT_FALSE(log.Lines().empty()) << "the file layer tells of the missing file";
}

} // namespace
