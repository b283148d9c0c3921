// The permanent data: flag words, the stored form against a hand-made golden
// file, both forms, the script's permanent variables, and damaged files.
#include "GameDataFixture.h"

#include "gamedata/GxUserDataPerman.h"
#include "script/GxMoaDefs.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaVariableDefinition.h"
#include "script/GxMoaWorkerEx.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "platform/system/safe_file.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

namespace {

using gdtest::GameDataTest;

class PermanentData : public GameDataTest {
protected:
    // The contents of tests/golden/gamedata/permanent.dat.
    void SetGoldenValues(GxUserDataPerman& p) {
        p.SetReadedMessage(u"script01", 0);
        p.SetReadedMessage(u"script01", 63);
        p.SetReadedMessage(u"スクリプト", 0);
        p.SetReadedMessage(u"スクリプト", 2);
        p.SetSelectedMenu(u"menu#1", 1);
        p.SetSelectedMenu(u"menu#1", 2);
        p.m_PassedReplayLabels = {u"*ep2", u"*ep1"};
        p.SetShowedCG(u"cg/ev/ev001.png");
        p.SetShowedCG(u"ev002");
        p.m_ExtraOption.m_Bits = 5;
    }
    GxString Path() const { return SavePath("permanent.dat"); }
    // Defines a global variable of the script, an array where a size is given.
    static void Define(const GxChar* name, s32 scope = kGxScopeGlobalPerman, s32 arraySize = -1) {
        GxMoaVariableDefinition d;
        d.m_Name = name;
        d.m_Scope = scope;
        d.m_ArraySize = arraySize;
        g_pMoa()->AddVariableDefinition(d);
    }
};

TEST_F(PermanentData, FlagWordsGrowAndNeverShrink) {
    struct Case {
        std::vector<s32> set;
        GxFlagWords words;
    } cases[] = {
        {{0}, {0x1}},
        {{0, 32}, {0x1, 0x1}},
        {{100}, {0, 0, 0, 0x10}},
        {{31, 1}, {0x80000002}},
        {{-1}, {}},
    };
    for (const Case& c : cases) {
        GxFlagWords words;
        for (s32 f : c.set) GxSetFlagBit(words, f);
        EXPECT_EQ(words, c.words);
        for (s32 f : c.set) EXPECT_EQ(GxTestFlagBit(words, f), f >= 0);
        EXPECT_FALSE(GxTestFlagBit(words, 200));
        EXPECT_EQ(words, c.words);
    }

    GxUserDataPerman p(&core_);
    EXPECT_FALSE(p.IsReadedMessage(u"absent", 0));
    EXPECT_TRUE(p.m_ReadedMessageFlags.empty());
    p.SetReadedMessage(u"Script", 3);
    EXPECT_FALSE(p.IsReadedMessage(u"script", 3));
    EXPECT_TRUE(p.IsReadedMessage(u"Script", 3));
    p.SetSelectedMenu(u"hash", 2);
    EXPECT_TRUE(p.IsSelectedMenu(u"hash", 2));
    EXPECT_FALSE(p.IsSelectedMenu(u"hash", 1));
}

TEST_F(PermanentData, StoredFormMatchesTheGoldenFileBothWays) {
    GxUserDataPerman written(&core_);
    SetGoldenValues(written);
    ASSERT_TRUE(written.Save(Path(), true));
    const auto golden = qtest::ReadBytes(qtest::GoldenPath("gamedata/permanent.dat"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(Bytes("permanent.dat"), golden);

    GxUserDataPerman read(&core_);
    read.m_PassedReplayLabels.insert(u"stale");
    ASSERT_TRUE(read.Load(Path()));
    EXPECT_EQ(read.m_ReadedMessageFlags, written.m_ReadedMessageFlags);
    EXPECT_EQ(read.m_SelectedMenuFlags, written.m_SelectedMenuFlags);
    EXPECT_EQ(read.m_PassedReplayLabels, written.m_PassedReplayLabels);
    EXPECT_EQ(read.m_ShowedCGFlags, written.m_ShowedCGFlags);
    EXPECT_EQ(read.m_ExtraOption.m_Bits, 5u);
}

TEST_F(PermanentData, TextFormAndModulesAndScriptVariablesComeBack) {
    PlugModule();
    ASSERT_TRUE(GxMoaStartup(nullptr));
    Define(u"flags", kGxScopeGlobalPerman, 40);
    Define(u"ingame", kGxScopeGlobalInGame, 40);
    g_pMoaMainWorker()->InitGlobalVariables();
    g_pMoaMainWorker()->FindVariable(u"flags")->m_Value.SetElement(39, GxMoaVariable::OfInt(7));
    g_pMoaMainWorker()->FindVariable(u"ingame")->m_Value.SetElement(1, GxMoaVariable::OfInt(8));

    GxUserDataPerman p(&core_);
    SetGoldenValues(p);
    module_.m_Value = 99;
    ASSERT_TRUE(p.Save(Path(), false));
    EXPECT_EQ(Bytes("permanent.dat")[0], 'T');

    g_pMoaMainWorker()->FindVariable(u"flags")->m_Value.SetElement(39, GxMoaVariable::OfInt(0));
    g_pMoaMainWorker()->FindVariable(u"ingame")->m_Value.SetElement(1, GxMoaVariable::OfInt(9));
    module_.m_Value = 0;
    GxUserDataPerman read(&core_);
    ASSERT_TRUE(read.Load(Path()));
    EXPECT_EQ(read.m_ReadedMessageFlags, p.m_ReadedMessageFlags);
    EXPECT_EQ(read.m_ShowedCGFlags, p.m_ShowedCGFlags);
    EXPECT_EQ(module_.m_Value, 99);
    EXPECT_EQ(g_pMoaMainWorker()->FindVariable(u"flags")->m_Value.GetElement(39)->ToInt(), 7);
    // Game variables are not the permanent data's.
    EXPECT_EQ(g_pMoaMainWorker()->FindVariable(u"ingame")->m_Value.GetElement(1)->ToInt(), 9);
}

TEST_F(PermanentData, GalleryAndReplayFlagsFollowTheTables) {
    qtest::WriteText(dir_.path() / "cg.txt", "0\t0\tth\tev001\tev001b\n3\t0\tth\tev010\t\tev011\t\t\n");
    ASSERT_TRUE(g_DBCGMode.Load(dir_.u16("cg.txt").c_str()));
    g_DBCGMode.GetRecord(3)->Count = 2;
    qtest::WriteText(dir_.path() / "rp.txt", "0\t0\tth\t*a\n1\t0\tth\t\n2\t0\tth\t*b\n");
    ASSERT_TRUE(g_DBRPMode.Load(dir_.u16("rp.txt").c_str()));

    GxUserDataPerman p(&core_);
    EXPECT_FALSE(p.SetShowedCGGroup(u"ev001b"));  // its record counts no pictures
    EXPECT_FALSE(p.SetShowedCGGroup(u"unknown"));
    EXPECT_TRUE(p.m_ShowedCGFlags.empty());
    EXPECT_TRUE(p.SetShowedCGGroup(u"cg/ev/EV011.png"));
    EXPECT_EQ(p.m_ShowedCGFlags, (decltype(p.m_ShowedCGFlags){{u"ev010", 1}, {u"ev011", 1}}));
    p.m_ShowedCGFlags[u"other"] = 1;
    p.SetShowedAllCG();
    EXPECT_EQ(p.m_ShowedCGFlags.size(), 4u);
    EXPECT_EQ(p.m_ShowedCGFlags.count(u"other"), 0u);
    p.SetShowedCG(u"a/b/ev001.x.png");
    EXPECT_EQ(p.m_ShowedCGFlags[u"ev001"], 1);
    // Pictures are found without regard to case; the file keeps the plain
    // order of the names as they were first seen.
    p.m_ShowedCGFlags.clear();
    for (const GxChar* seen : {u"a", u"B", u"A"}) p.SetShowedCG(seen);
    EXPECT_EQ(p.m_ShowedCGFlags.size(), 2u);
    EXPECT_EQ(p.m_ShowedCGFlags.count(u"b"), 1u);
    ASSERT_TRUE(p.Save(Path(), false));
    const auto text = Bytes("permanent.dat");
    EXPECT_NE(std::string(text.begin(), text.end()).find("Key\t1\t\"B\"\n05\tValue\t1\n1a\tKey\t1\t\"a\""),
              std::string::npos);

    p.m_PassedReplayLabels.insert(u"*gone");
    p.PassAllReplayLabels();
    EXPECT_EQ(p.m_PassedReplayLabels, (std::set<GxString>{u"*a", u"*b"}));
}

TEST_F(PermanentData, MissingAndForeignFilesChangeNothing) {
    GxUserDataPerman p(&core_);
    p.SetReadedMessage(u"keep", 1);
    EXPECT_FALSE(p.Load(Path()));
    qtest::WriteBytes(dir_.path() / "permanent.dat", {});
    EXPECT_FALSE(p.Load(Path()));
    qtest::WriteText(dir_.path() / "permanent.dat", "TGD\t100\n");
    EXPECT_FALSE(p.Load(Path()));
    auto foreign = qtest::ReadBytes(qtest::GoldenPath("gamedata/userconf.dat"));
    qtest::WriteBytes(dir_.path() / "permanent.dat", foreign);
    EXPECT_FALSE(p.Load(Path()));
    EXPECT_TRUE(p.IsReadedMessage(u"keep", 1));
}

// A file whose damage starts partway: what comes before stays, the file is
// kept aside when the data is next saved, and a huge count allocates nothing.
// A value after the data's end is no damage. Each damage is kept beside the
// copies kept before, up to eight; past that none, and the log says so.
TEST_F(PermanentData, ADamagedFileIsReadUpToTheDamageAndKeptAside) {
    const auto golden = qtest::ReadBytes(qtest::GoldenPath("gamedata/permanent.dat"));
    ASSERT_GT(golden.size(), 60u);
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        size_t readEntries;  // of m_ReadedMessageFlags
        bool whole;
        bool keptBefore = false;  // the same damage, kept before: not kept again
    };
    // The first entry's word count (after "BPD" header, the map count and
    // "script01") lies at offset 0x28: make it 0xFFFFFFFF.
    std::vector<unsigned char> hugeWords = golden;
    ASSERT_EQ(hugeWords[0x27], 0x06);
    std::memset(&hugeWords[0x28], 0xFF, 4);
    std::vector<unsigned char> hugeEntries = golden;
    std::memset(&hugeEntries[0x15], 0xFF, 4);
    std::vector<unsigned char> cut(golden.begin(), golden.begin() + 0x70);
    std::vector<unsigned char> trailing = golden;
    trailing.insert(trailing.end(), {0x05, 0x00, 0x00, 0x00, 0x2A});
    Case cases[] = {
        {"huge word count", hugeWords, 0, false},
        {"huge entry count", hugeEntries, 0, false},
        {"cut short", cut, 2, false},
        {"a value after its end", trailing, 2, true},
        {"the same damage again", cut, 2, false, true},
    };
    std::vector<std::pair<std::string, std::vector<unsigned char>>> kept;
    const char* names[] = {"permanent.dat.damaged", "permanent.dat.2.damaged", "permanent.dat.3.damaged",
                           "permanent.dat.4.damaged"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qtest::LogCapture log;
        qtest::WriteBytes(dir_.path() / "permanent.dat", c.bytes);
        GxUserDataPerman p(&core_);
        EXPECT_EQ(p.Load(Path()), c.whole);
        EXPECT_EQ(p.m_ReadedMessageFlags.size(), c.readEntries);
        EXPECT_EQ(log.Contains("GxUserDataPerman::Load/ファイルの一部を読み込めませんでした"), !c.whole) << log.Text();

        p.SetReadedMessage(u"new", 1);
        ASSERT_TRUE(p.Save(Path(), true));
        if (!c.whole && !c.keptBefore) kept.emplace_back(names[kept.size()], c.bytes);
        for (const auto& [name, bytes] : kept) EXPECT_EQ(Bytes(name), bytes) << name;
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / names[kept.size()]));
        GxUserDataPerman again(&core_);
        ASSERT_TRUE(again.Load(Path()));
        EXPECT_TRUE(again.IsReadedMessage(u"new", 1));
    }
    for (int n = 4; n <= 9; ++n) {
        qtest::LogCapture log;
        qtest::WriteBytes(dir_.path() / "permanent.dat", std::vector<unsigned char>(golden.begin(), golden.begin() + 0x60 + n));
        GxUserDataPerman p(&core_);
        EXPECT_FALSE(p.Load(Path()));
        ASSERT_TRUE(p.Save(Path(), true)) << "a save goes on when no more copies are kept";
        EXPECT_EQ(std::filesystem::exists(dir_.path() / ("permanent.dat." + std::to_string(n) + ".damaged")), n <= 8);
        EXPECT_EQ(log.Contains("これ以上残しませんでした(" + GxToUtf8(Path()) + ")"), n == 9) << log.Text();
    }
    EXPECT_EQ(Bytes(names[0]), hugeWords);
}

// Two copies of the game that no lock keeps apart each write the permanent
// data. What the other wrote since this copy read the file (or found none)
// is merged in: every flag either set, each extra option and permanent
// variable (a number or a text) only one of them changed. Where both changed
// one variable, or the modules' data differ, this copy's is written and the
// other's file kept as ".changed", with a line naming what differed; its
// later saves replace only what it wrote itself. So is a file the other
// writes in the very moment of this copy's write, between its merge and its
// rename. What this copy wrote is its new base: when the other reads it back
// and changes it again, this copy's next save takes that change whole.
TEST_F(PermanentData, WhatAnotherCopyWroteSinceItWasReadIsMergedIn) {
    PlugModule();
    ASSERT_TRUE(GxMoaStartup(nullptr));
    for (const GxChar* name : {u"a", u"b", u"c", u"s"}) Define(name);
    g_pMoaMainWorker()->InitGlobalVariables();
    // The texts given to s differ only in their last letter, well past what
    // a short text's first word holds.
    const auto set = [](s64 a, s64 b, s64 c, const GxChar* s) {
        for (const auto& [name, v] : {std::pair{u"a", a}, {u"b", b}, {u"c", c}})
            g_pMoaMainWorker()->FindVariable(name)->m_Value = GxMoaVariable::OfInt(v);
        g_pMoaMainWorker()->FindVariable(u"s")->m_Value = GxMoaVariable::OfString(s);
    };
    const auto get = [](const GxChar* name) { return g_pMoaMainWorker()->FindVariable(name)->m_Value.ToInt(); };
    const auto text = [] { return g_pMoaMainWorker()->FindVariable(u"s")->m_Value.ToString(); };
    std::function<void()>& inTheMoment = gdtest::AtCommit();
    psys::set_safe_file_step_hook(gdtest::AtCommitStep);
    struct Row {
        const char* what;
        bool there;
        char bothChange;  // the variable both copies change, or 0
        bool modulesDiffer, meanwhile, readBack;
    } rows[] = {
        {"read when there", true, 0, false, false, false},
        {"none when read", false, 0, false, false, false},
        {"both changed a variable", true, 'c', false, false, false},
        {"both changed a text", true, 's', false, false, false},
        {"the modules' data differ", true, 0, true, false, false},
        {"written in the moment of the write", true, 0, false, true, false},
        {"read back and changed again by the other", true, 0, false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) std::filesystem::remove(entry);
        set(1, 1, 1, u"route_a");
        module_.m_Value = 0;
        GxUserDataPerman mine(&core_), other(&core_);
        mine.m_ExtraOption.m_Bits = other.m_ExtraOption.m_Bits = 0b0101;
        if (row.there) {
            ASSERT_TRUE(other.Save(Path(), true));
        }
        EXPECT_EQ(mine.Load(Path()), row.there);

        // The other copy sets its flags, changes a and s (and c), and clears
        // and sets one extra option each.
        other.SetReadedMessage(u"other", 2);
        other.SetSelectedMenu(u"menu", 1);
        other.m_PassedReplayLabels.insert(u"*other");
        other.SetShowedCG(u"ev_other");
        other.m_ExtraOption.m_Bits = 0b0110;
        set(2, 1, row.bothChange == 'c' ? 3 : 1, u"route_b");
        module_.m_Value = row.modulesDiffer ? 5 : 0;
        ASSERT_TRUE(other.Save(SavePath("other.dat"), true));
        const std::vector<unsigned char> others = Bytes("other.dat");
        const auto putOthers = [&] {
            qtest::WriteBytes(dir_.path() / "put.tmp", others);
            std::filesystem::rename(dir_.path() / "put.tmp", dir_.path() / "permanent.dat");
        };
        if (row.meanwhile) inTheMoment = putOthers;
        else putOthers();

        // This copy changes b (and c or s) and sets an extra option of its own.
        mine.SetReadedMessage(u"mine", 1);
        mine.SetShowedCG(u"ev_mine");
        mine.m_ExtraOption.m_Bits = 0b1101;
        set(1, 5, row.bothChange == 'c' ? 4 : 1, row.bothChange == 's' ? u"route_c" : u"route_a");
        module_.m_Value = 0;
        qtest::LogCapture log;
        ASSERT_TRUE(mine.Save(Path(), true));
        EXPECT_FALSE(inTheMoment);
        EXPECT_TRUE(log.Contains("他のコピーが書き込んだ内容を合わせました")) << log.Text();
        const bool keep = row.bothChange || row.modulesDiffer;
        EXPECT_EQ(Bytes("permanent.dat.changed"), keep ? others : std::vector<unsigned char>());
        const std::string differed = row.bothChange ? std::string(1, row.bothChange) : "modules";
        EXPECT_EQ(log.Contains("このコピーのものを書き込みます(" + differed + ")"), keep) << log.Text();
        // Merged in memory, as the game goes on with it, and in the file.
        EXPECT_EQ(get(u"a"), 2);
        const GxString s = row.bothChange == 's' ? u"route_c" : u"route_b";
        EXPECT_EQ(text(), s);
        set(0, 0, 0, u"");
        GxUserDataPerman read(&core_);
        ASSERT_TRUE(read.Load(Path()));
        EXPECT_TRUE(read.IsReadedMessage(u"mine", 1) && read.IsReadedMessage(u"other", 2));
        EXPECT_TRUE(read.IsSelectedMenu(u"menu", 1));
        EXPECT_EQ(read.m_PassedReplayLabels, std::set<GxString>{u"*other"});
        EXPECT_EQ(read.m_ShowedCGFlags.size(), 2u);
        EXPECT_EQ(read.m_ExtraOption.m_Bits, 0b1110u);
        EXPECT_EQ(get(u"a"), 2);
        EXPECT_EQ(get(u"b"), 5);
        EXPECT_EQ(get(u"c"), row.bothChange == 'c' ? 4 : 1);
        EXPECT_EQ(text(), s);

        if (row.readBack) {
            // The other copy reads what this one wrote, changes b again and
            // clears the extra option this one set. This copy changed
            // neither since its save.
            read.m_ExtraOption.m_Bits = 0b0110;
            g_pMoaMainWorker()->FindVariable(u"b")->m_Value = GxMoaVariable::OfInt(7);
            ASSERT_TRUE(read.Save(Path(), true));
            g_pMoaMainWorker()->FindVariable(u"b")->m_Value = GxMoaVariable::OfInt(5);
        }
        ASSERT_TRUE(mine.Save(Path(), true));
        EXPECT_EQ(std::filesystem::exists(dir_.path() / "permanent.dat.changed"), keep);
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / "permanent.dat.2.changed"));
        set(0, 0, 0, u"");
        ASSERT_TRUE(read.Load(Path()));
        EXPECT_EQ(get(u"b"), row.readBack ? 7 : 5);
        EXPECT_EQ(read.m_ExtraOption.m_Bits, row.readBack ? 0b0110u : 0b1110u);
    }
    psys::set_safe_file_step_hook(nullptr);
}

// A permanent data file a write held and its copy's end left behind is
// merged at the next start's load: every flag of either stands, an extra
// option either set stays set, and, as nothing tells which copy changed a
// variable last, one the two hold otherwise keeps what stands at the name
// while the held file is kept as ".changed", with a line naming it. A held
// file that adds nothing goes, with nothing kept.
TEST_F(PermanentData, AFileAWriteHeldIsMergedAtTheNextLoad) {
    ASSERT_TRUE(GxMoaStartup(nullptr));
    Define(u"a");
    g_pMoaMainWorker()->InitGlobalVariables();
    const auto setA = [](s64 v) { g_pMoaMainWorker()->FindVariable(u"a")->m_Value = GxMoaVariable::OfInt(v); };
    const std::string held = "permanent.dat.1-ab.held";
    struct Row {
        const char* what;
        s64 theirA;
        bool theirFlag;
        bool kept;
    } rows[] = {
        {"flags of its own and a variable held otherwise", 2, true, true},
        {"flags of its own", 1, true, false},
        {"nothing of its own", 1, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) std::filesystem::remove(entry);
        GxUserDataPerman theirs(&core_), stands(&core_);
        setA(row.theirA);
        theirs.SetReadedMessage(u"mine", 1);
        if (row.theirFlag) theirs.SetReadedMessage(u"theirs", 3);
        theirs.m_ExtraOption.m_Bits = 0b0110;
        ASSERT_TRUE(theirs.Save(SavePath(held), true));
        setA(1);
        stands.SetReadedMessage(u"mine", 1);
        stands.m_ExtraOption.m_Bits = row.theirFlag ? 0b0101 : 0b0110;
        ASSERT_TRUE(stands.Save(Path(), true));

        qtest::LogCapture log;
        GxUserDataPerman loaded(&core_);
        loaded.MergeAtLoad({{(dir_.path() / held).string(), (dir_.path() / "permanent.dat").string(), {}}});
        ASSERT_TRUE(loaded.Load(Path()));
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / held));
        EXPECT_EQ(g_pMoaMainWorker()->FindVariable(u"a")->m_Value.ToInt(), 1);
        EXPECT_EQ(std::filesystem::exists(dir_.path() / "permanent.dat.changed"), row.kept) << log.Text();
        EXPECT_EQ(log.Contains("このコピーのものを書き込みます(a)"), row.kept) << log.Text();
        GxUserDataPerman read(&core_);
        ASSERT_TRUE(read.Load(Path()));
        EXPECT_EQ(read.IsReadedMessage(u"theirs", 3), row.theirFlag);
        EXPECT_TRUE(read.IsReadedMessage(u"mine", 1));
        EXPECT_EQ(read.m_ExtraOption.m_Bits, row.theirFlag ? 0b0111u : 0b0110u);
    }
}

// In the text form an entry's lines can simply be repeated: a label twice
// is kept once, a flag-map key twice keeps its first entry.
TEST_F(PermanentData, RepeatedKeysInAFileKeepTheFirst) {
    GxUserDataPerman p(&core_);
    p.m_PassedReplayLabels = {u"*x"};
    p.SetReadedMessage(u"s", 0);
    ASSERT_TRUE(p.Save(Path(), false));
    std::vector<unsigned char> text = Bytes("permanent.dat");
    std::string s(text.begin(), text.end());
    // Each section: its count line, then the lines of its one entry.
    const auto repeat = [&](const std::string& countLine, int entryLines, const std::string& changed) {
        const size_t at = s.find(countLine + "1\n");
        ASSERT_NE(at, std::string::npos) << s;
        const size_t first = at + countLine.size() + 2;
        size_t end = first;
        for (int i = 0; i < entryLines; ++i) end = s.find('\n', end) + 1;
        std::string entry = s.substr(first, end - first);
        if (!changed.empty()) entry.replace(entry.rfind("\t1\n"), 3, changed);
        s.insert(end, entry);
        s.replace(at, countLine.size() + 2, countLine + "2\n");
    };
    repeat("06\tm_PassedReplayLabels\t", 1, "");
    repeat("06\tm_ReadedMessageFlags\t", 3, "\t6\n");
    qtest::WriteText(dir_.path() / "permanent.dat", s);
    GxUserDataPerman read(&core_);
    ASSERT_TRUE(read.Load(Path())) << s;
    EXPECT_EQ(read.m_PassedReplayLabels, (std::set<GxString>{u"*x"}));
    EXPECT_EQ(read.m_ReadedMessageFlags.at(u"s"), GxFlagWords{1}) << s;
}

} // namespace
