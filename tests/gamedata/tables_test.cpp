// The nine data tables read from small tab-separated files written here.
#include "base/GxStringUtil.h"
#include "gamedata/GxDataTables.h"
#include "io/GxFileSystem.h"
#include "support/LogCapture.h"
#include "tools/builders/PackWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

std::string U8(const GxString& s) { return GxToUtf8(s); }

class Tables : public ::testing::Test {
protected:
    void SetUp() override { GxResetFileSystem(); }
    void TearDown() override { GxResetFileSystem(); }

    // A file of the lines given (UTF-8, no byte-order mark), by its path.
    GxString File(const std::string& name, const std::string& text) {
        qtest::WriteText(dir_.path() / name, text);
        return dir_.u16(name);
    }

    qtest::TempDir dir_;
};

TEST_F(Tables, EachTableHasItsCapacityColumnsAndFieldCount) {
    struct Row {
        const char* name;
        std::unique_ptr<GxDBBase> table;
        s32 capacity, columns, fields;
        const GxChar* arrayColumn;
        s32 arraySize;
        const GxChar* lastColumn;
        s32 lastType;
    };
    Row rows[] = {
        {"DBKeyMap", std::make_unique<DBKeyMap>(), 64, 9, 14, u"KeyCodeStr", 6, u"Help", 25},
        {"DBAvgChar", std::make_unique<DBAvgChar>(), 80, 8, 8, nullptr, 0, u"Comment", 25},
        {"DBBGMMode", std::make_unique<DBBGMMode>(), 60, 5, 5, nullptr, 0, u"ButtonIndex", 5},
        {"DBCGMode", std::make_unique<DBCGMode>(), 200, 5, 36, u"FileName", 32, u"Count", 5},
        {"DBRPMode", std::make_unique<DBRPMode>(), 200, 5, 5, nullptr, 0, u"Help", 25},
        {"DBUIModule", std::make_unique<DBUIModule>(), 512, 14, 14, nullptr, 0, u"AnimeSpeed", 5},
        {"DBUILayout", std::make_unique<DBUILayout>(), 1024, 21, 21, nullptr, 0, u"Descript", 25},
        {"DBVoiceVolume", std::make_unique<DBVoiceVolume>(), 32, 8, 8, nullptr, 0, u"Comment", 25},
        {"DBSystemVoice", std::make_unique<DBSystemVoice>(), 32, 4, 26, u"VoiceFileName", 24, u"VoiceFileName", 25},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        GxDBBase& t = *r.table;
        EXPECT_EQ(t.GetRecordMax(), r.capacity);
        EXPECT_EQ(t.GetColumnNum(), r.columns);
        EXPECT_EQ(t.GetFieldCount(), r.fields);
        EXPECT_EQ(t.GetMaxID(), -1);
        EXPECT_EQ(t.GetColumnIndex(u"ID"), 0);
        EXPECT_EQ(t.GetColumnType(u"ID"), 5);
        EXPECT_EQ(t.GetFieldPtr(0, u"ID"), nullptr);
        EXPECT_EQ(t.GetColumnIndex(r.lastColumn), r.columns - 1);
        EXPECT_EQ(t.GetColumnType(r.lastColumn), r.lastType);
        EXPECT_EQ(t.GetColumnIndex(u"NoSuchColumn"), -1);
        EXPECT_EQ(t.GetColumnType(u"NoSuchColumn"), 0);
        EXPECT_EQ(t.GetFieldPtr(0, u"NoSuchColumn"), nullptr);
        // Names compare exactly.
        EXPECT_EQ(t.GetColumnIndex(u"id"), -1);
        EXPECT_EQ(t.GetRecord(r.capacity), nullptr);
        EXPECT_EQ(t.GetRecord(-1), nullptr);
        if (r.arrayColumn) {
            EXPECT_EQ(t.GetColumnArraySize(r.arrayColumn), r.arraySize);
        }
        EXPECT_EQ(t.GetColumnArraySize(u"ID"), 0);
        // A line of exactly the field count fills the last column from the last field.
        std::string line = "7";
        for (s32 i = 2; i <= r.fields; ++i) line += "\t" + std::to_string(i);
        ASSERT_TRUE(t.Load(File(std::string(r.name) + ".txt", line + "\n").c_str()));
        EXPECT_EQ(t.GetMaxID(), 7);
        void* last = t.GetFieldPtr(7, r.lastColumn);
        ASSERT_NE(last, nullptr);
        const s32 lastField = r.fields;
        if (r.lastType == 25) {
            // An array column's pointer is its element 0; the last element holds the last field.
            const s32 element = r.arrayColumn && GxStringView(r.arrayColumn) == r.lastColumn ? r.arraySize - 1 : 0;
            EXPECT_EQ(U8(static_cast<GxString*>(last)[element]), std::to_string(lastField));
        } else {
            EXPECT_EQ(*static_cast<s32*>(last), lastField);
        }
    }
}

TEST_F(Tables, LinesGiveIdsByTheLoaderRules) {
    DBAvgChar t;
    // UTF-8 with its byte-order mark (without one the text would be taken as CP932).
    const GxString path = File("chars.txt",
                               "\xEF\xBB\xBF# a comment\n"
                               "\n"
                               "5\tfive\t1\tstand/\tp.gnc\tvoice/\t3\tc\n"
                               "2\ttwo\n"
                               "*\tafter five\n"            // 6
                               "010\toctal\n"                // 8
                               "0x10\thex\n"                 // 16
                               "\xEF\xBC\x8B" "3\tfull-width plus\n"  // 3
                               "\xEF\xBC\x91\tfull-width digit\n"     // 0
                               "\tno id\n"                   // skipped
                               " #\tspace then hash\n"       // ID 0 as well
                               "79\tlast\n");
    ASSERT_TRUE(t.Load(path.c_str()));
    EXPECT_EQ(t.GetFileName(), path);
    EXPECT_EQ(t.GetMaxID(), 79);
    struct Expect {
        s32 id;
        const char* name;
    } expected[] = {{5, "five"}, {2, "two"}, {6, "after five"}, {8, "octal"}, {16, "hex"},
                    {3, "full-width plus"}, {0, "space then hash"}, {79, "last"}};
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(t.GetRecord(e.id)->ID, e.id);
        EXPECT_EQ(U8(t.GetRecord(e.id)->CharName), e.name);
    }
    const DBAvgCharRecord& five = *t.GetRecord(5);
    EXPECT_EQ(five.SubLayerNum, 1);
    EXPECT_EQ(U8(five.StandPath), "stand/");
    EXPECT_EQ(U8(five.VoicePath), "voice/");
    EXPECT_EQ(five.VoiceVolumeID, 3);
    // Unlisted IDs and missing fields keep their defaults.
    EXPECT_EQ(t.GetRecord(2)->VoiceVolumeID, 0);
    EXPECT_TRUE(t.GetRecord(2)->Comment.empty());
    EXPECT_EQ(t.GetRecord(40)->ID, 0);
    EXPECT_TRUE(t.GetRecord(40)->CharName.empty());
    // Only three tables keep a name map.
    EXPECT_EQ(t.FindNameMap(u"five", -7), -7);
}

TEST_F(Tables, StarFollowsTheHighestIdSoFarAndARepeatedIdIsSaid) {
    struct Case {
        const char* lines;
        std::vector<s32> ids;  // the ID each line took, in line order
        s32 repeated;          // the ID the one warning names; -1 for none
    } cases[] = {
        {"*\tl0\n", {0}, -1},
        {"5\tl0\n*\tl1\n", {5, 6}, -1},
        {"5\tl0\n2\tl1\n*\tl2\n", {5, 2, 6}, -1},
        // A space before the star is no star: no digits give 0.
        {" *\tl0\n", {0}, -1},
        // The later line replaces the record; the first repeat of the table
        // is said, however many follow.
        {"5\tl0\n*\tl1\n5\tl2\n6\tl3\n", {5, 6, 5, 6}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        qtest::LogCapture log;
        DBAvgChar t;
        const GxString path = File("star.txt", c.lines);
        ASSERT_TRUE(t.Load(path.c_str()));
        std::map<s32, std::string> last;
        for (size_t i = 0; i < c.ids.size(); ++i) last[c.ids[i]] = "l" + std::to_string(i);
        for (const auto& [id, name] : last) EXPECT_EQ(U8(t.GetRecord(id)->CharName), name);
        EXPECT_EQ(t.GetMaxID(), *std::max_element(c.ids.begin(), c.ids.end()));
        const std::string warning = "Warning/DBAvgChar::Load/同じIDの行があるようです。";
        EXPECT_EQ(std::count_if(log.Lines().begin(), log.Lines().end(),
                                [&](const std::string& l) { return l.find(warning) == 0; }),
                  c.repeated < 0 ? 0 : 1)
            << log.Text();
        if (c.repeated >= 0) {
            EXPECT_TRUE(log.Contains("(File:" + U8(path) + "/ID=" + std::to_string(c.repeated) + ")\n")) << log.Text();
        }
    }
}

TEST_F(Tables, QuotedFieldsEndAtTheirQuote) {
    DBRPMode t;
    // Fields: ID, Group, Thumbnail, Label, Help.
    ASSERT_TRUE(t.Load(File("quoted.txt",
                            "1\t2\t\"abc\"def\t'it\\'s'\t\"with \\\" inside\"\n"
                            "2\t0\t\"cut\tat the tab\"\n")
                           .c_str()));
    EXPECT_EQ(U8(t.GetRecord(1)->Thumbnail), "abc");
    EXPECT_EQ(U8(t.GetRecord(1)->Label), "it\\'s");
    EXPECT_EQ(U8(t.GetRecord(1)->Help), "with \\\" inside");
    EXPECT_EQ(U8(t.GetRecord(2)->Thumbnail), "cut");
    EXPECT_EQ(U8(t.GetRecord(2)->Label), "at the tab\"");
}

TEST_F(Tables, AnIdOutOfRangeStopsTheLoadKeepingEarlierLines) {
    qtest::LogCapture log;
    DBAvgChar t;
    const GxString path = File("range.txt", "1\tone\n80\ttoo far\n2\tnever read\n");
    EXPECT_FALSE(t.Load(path.c_str()));
    EXPECT_TRUE(log.Contains("DBAvgChar/ID out of range[" + U8(path) + "/80]")) << log.Text();
    EXPECT_EQ(U8(t.GetRecord(1)->CharName), "one");
    EXPECT_TRUE(t.GetRecord(2)->CharName.empty());
    EXPECT_EQ(t.GetMaxID(), 1);

    DBVoiceVolume negative;
    EXPECT_FALSE(negative.Load(File("negative.txt", "-1\t1\n").c_str()));
    EXPECT_TRUE(log.Contains("DBVoiceVolume/ID out of range[")) << log.Text();

    DBUILayout missing;
    EXPECT_FALSE(missing.Load(dir_.u16("absent.txt").c_str()));
    EXPECT_EQ(missing.GetMaxID(), -1);
    DBUILayout onlyComments;
    EXPECT_TRUE(onlyComments.Load(File("comments.txt", "# one\n\n#two\n").c_str()));
    EXPECT_EQ(onlyComments.GetMaxID(), -1);
}

TEST_F(Tables, FieldCountsArraysAndTypes) {
    DBCGMode cg;
    std::string forty = "4\t9\tthumb";
    for (int i = 0; i < 32; ++i) forty += "\tf" + std::to_string(i);
    forty += "\t12\textra1\textra2\textra3\textra4\n";
    ASSERT_TRUE(cg.Load(File("cg.txt", forty + "5\t1\tshort\n").c_str()));
    EXPECT_EQ(U8(cg.GetRecord(4)->FileName[31]), "f31");
    EXPECT_EQ(cg.GetRecord(4)->Count, 12);
    EXPECT_TRUE(cg.GetRecord(5)->FileName[0].empty());
    EXPECT_EQ(cg.GetRecord(5)->Count, 0);
    // A second line with the same ID replaces the whole record.
    ASSERT_TRUE(cg.Load(File("cg2.txt", "4\t1\n").c_str()));
    EXPECT_TRUE(cg.GetRecord(4)->FileName[0].empty());
    EXPECT_TRUE(cg.GetRecord(4)->Thumbnail.empty());

    DBSystemVoice sv;
    ASSERT_TRUE(sv.Load(File("sv.txt", "1\tcomment\tvoice/sys/\tfirst\tsecond\n").c_str()));
    EXPECT_TRUE(sv.GetRecord(1)->VoiceFileName[0].empty());
    EXPECT_EQ(U8(sv.GetRecord(1)->VoiceFileName[1]), "first");
    EXPECT_EQ(U8(sv.GetRecord(1)->VoiceFileName[2]), "second");
    EXPECT_EQ(sv.GetFieldPtr(1, u"VoiceFileName"), &sv.GetRecord(1)->VoiceFileName[0]);

    DBUILayout layout;
    // Left, Top and OrderZ are fields 10 to 12; text that is no number, or no
    // finite number, gives 0.
    const char* cases[][2] = {{"12.5", "12.5"}, {"-3e1", "-30"}, {" +0.25", "0.25"}, {"0x10", "16"},
                              {"abc", "0"},     {"nan", "0"},    {"1e99", "0"},     {"", "0"}};
    int id = 0;
    std::string text;
    for (const auto& c : cases)
        text += std::to_string(id++) + "\tparent\t0\tmodule\ttask\t0\t1\t1\t1\t" + c[0] + "\t0\t0\n";
    ASSERT_TRUE(layout.Load(File("layout.txt", text).c_str()));
    for (int i = 0; i < id; ++i) {
        SCOPED_TRACE(cases[i][0]);
        EXPECT_FLOAT_EQ(layout.GetRecord(i)->Left, std::stof(cases[i][1]));
    }
    EXPECT_EQ(layout.GetRecord(0)->Create, 1);

    DBBGMMode bgm;
    ASSERT_TRUE(bgm.Load(File("bgm.txt", "0\tName\tbgm01.ogg\t0xFFFFFFFF\t3\n").c_str()));
    EXPECT_EQ(bgm.GetRecord(0)->LoopPosTime, 0xFFFFFFFFu);
    EXPECT_EQ(bgm.GetColumnType(u"LoopPosTime"), 6);
    EXPECT_EQ(bgm.GetColumnType(u"Name"), 25);
    EXPECT_EQ(layout.GetColumnType(u"OrderZ"), 9);
}

TEST_F(Tables, NameMapKeepsTheFirstIdOfAName) {
    qtest::LogCapture log;
    DBUIModule t;
    ASSERT_TRUE(t.Load(File("modules.txt",
                            "3\t18\tbutton\tset\timg\n"
                            "1\t18\tButton\tset\timg\n"
                            "7\t8\tbutton\tother\timg\n"
                            "8\t8\t\tnameless\timg\n"
                            "9\t8\tbutton\tthird\timg\n")
                           .c_str()));
    EXPECT_EQ(t.FindNameMap(u"button", -1), 3);
    EXPECT_EQ(t.FindNameMap(GxString(u"Button"), -1), 1);
    EXPECT_EQ(t.FindNameMap(u"", 7), 7);
    EXPECT_EQ(t.FindNameMap(u"absent", 9), 9);
    EXPECT_TRUE(t.HasNameMapError());
    EXPECT_EQ(std::count_if(log.Lines().begin(), log.Lines().end(),
                            [](const std::string& l) { return l.find("GxDBBase::AddNameMap/") == 0; }),
              1)
        << "one line for the table, however many lines clash: " << log.Text();
    EXPECT_TRUE(log.Contains("(File:" + U8(t.GetFileName()) + "/Name:button/ID=7)")) << log.Text();
    // The record itself is still loaded.
    EXPECT_EQ(U8(t.GetRecord(7)->ImageSetName), "other");
    EXPECT_FALSE(t.AddNameMap(u"", 2));
}

TEST_F(Tables, FilesInUtf16AndInPacksLoad) {
    std::vector<unsigned char> utf16 = {0xFF, 0xFE};
    for (char16_t c : std::u16string(u"1\t日本\r\n2\tb\r\n")) {
        utf16.push_back(u8(c & 0xFF));
        utf16.push_back(u8(c >> 8));
    }
    qtest::WriteBytes(dir_.path() / "utf16.txt", utf16);
    DBAvgChar t;
    ASSERT_TRUE(t.Load(dir_.u16("utf16.txt").c_str()));
    EXPECT_EQ(t.GetRecord(1)->CharName, u"日本");
    EXPECT_EQ(t.GetRecord(2)->CharName, u"b");

    DBUILayout big;
    std::vector<unsigned char> be = {0xFE, 0xFF, 0, '1'};
    qtest::WriteBytes(dir_.path() / "utf16be.txt", be);
    EXPECT_FALSE(big.Load(dir_.u16("utf16be.txt").c_str()));

    // CP932 without a byte-order mark, from a mounted pack.
    const std::string sjis = "4\t\x93\xfa\x96\x7b\n";
    qtest::WritePack(dir_.path() / "data.gxp", {{"data/db_avgchar.txt", {sjis.begin(), sjis.end()}}});
    ASSERT_TRUE(GxMountPackFile(dir_.u16("data.gxp")));
    DBAvgChar packed;
    ASSERT_TRUE(packed.Load(u"data/db_avgchar.txt"));
    EXPECT_EQ(packed.GetRecord(4)->CharName, u"日本");
}

TEST_F(Tables, LoadingAllTablesSplitsTheGalleryNames) {
    const auto old = std::filesystem::current_path();
    std::filesystem::create_directories(dir_.path() / "data");
    std::filesystem::current_path(dir_.path());
    // The gallery's file fills two tables; its slip is said once.
    qtest::WriteText(dir_.path() / "data" / "db_cgmode.txt",
                     "0\t1\tthumb\tslip\n0\t1\tthumb\tev01|ev01a|ev01b\tev02\n");
    qtest::WriteText(dir_.path() / "data" / "db_avgchar.txt", "*\tfirst\n*\tsecond\n");
    {
        qtest::LogCapture log;
        GxLoadDataTables();
        EXPECT_EQ(std::count_if(log.Lines().begin(), log.Lines().end(),
                                [](const std::string& l) { return l.find("同じIDの行があるようです") != std::string::npos; }),
                  1)
            << log.Text();
    }
    // Twice, as two start-ups in one process would: the tables begin empty each time.
    GxLoadDataTables();
    std::filesystem::current_path(old);
    EXPECT_EQ(g_DBAvgChar.GetMaxID(), 1);
    EXPECT_EQ(g_DBKeyMap.GetMaxID(), -1);
    EXPECT_TRUE(g_DBKeyMap.GetFileName().empty());
    EXPECT_EQ(g_DBCGMode.GetRecord(0)->FileName[0], u"ev01");
    EXPECT_EQ(g_DBCGModeView.GetRecord(0)->FileName[0], u"ev01a|ev01b");
    EXPECT_EQ(g_DBCGMode.GetRecord(0)->FileName[1], u"ev02");
    EXPECT_EQ(g_DBCGModeView.GetRecord(0)->FileName[1], u"|");
    GxResetDataTables();
    EXPECT_EQ(g_DBAvgChar.GetMaxID(), -1);
    EXPECT_TRUE(g_DBCGMode.GetRecord(0)->FileName[0].empty());
}

} // namespace
