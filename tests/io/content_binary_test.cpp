#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "support/LogCapture.h"
#include "tests/io/content_values.h"

#include <cstring>
#include <functional>

namespace {

using Bytes = std::vector<u8>;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Written(const std::function<void(GxContentBinaryWriter&)>& fn) {
    return iotest::WriteToMemory<GxContentBinaryWriter>(fn);
}

TEST(ContentBinary, ValuesAreCodeAndBigEndianPayload) {
    struct Case {
        const char* what;
        std::function<void(GxContentBinaryWriter&)> write;
        Bytes want;
    };
    const Case cases[] = {
        {"header BGD 100", [](auto& w) { EXPECT_TRUE(w.WriteHeader("BGD", 100)); },
         {'B', 'G', 'D', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x64}},
        {"string abc", [](auto& w) { w.Write("n", "abc"); }, {0x1A, 0, 0, 0, 3, 'a', 'b', 'c', 0}},
        {"float 1.0", [](auto& w) { w.Write("n", 1.0f); }, {0x09, 0x3F, 0x80, 0x00, 0x00}},
        {"i16 -2", [](auto& w) { w.Write("n", s16(-2)); }, {0x03, 0xFF, 0xFE}},
        {"bool", [](auto& w) { w.Write("n", false); }, {0x0B, 0x00}},
        {"narrow CP932 text is stored as UTF-8", [](auto& w) { w.Write("n", "\x83\x5C"); },
         {0x1A, 0, 0, 0, 3, 0xE3, 0x82, 0xBD, 0}},
        {"binary", [](auto& w) { const u8 d[] = {9, 8}; w.WriteBinary("n", d, 2); }, {0x1B, 0, 0, 0, 2, 9, 8}},
        {"list begin", [](auto& w) { w.WriteListBegin("n", "T", 258); }, {0x20, 0, 0, 1, 2}},
        {"brackets", [](auto& w) {
             w.WriteListElementBegin(), w.WriteListEnd(), w.WriteTreeBegin("n", "T"), w.WriteTreeStratumBegin(),
                 w.WriteTreeStratumEnd(), w.WriteTreeEnd(), w.WriteListElementEnd();
         },
         {0x21, 0x22, 0x24, 0x25, 0x23}},
    };
    for (const auto& c : cases) EXPECT_EQ(Written(c.write), c.want) << c.what;
}

TEST(ContentBinary, MagicLimitIsFifteenCharacters) {
    qtest::LogCapture log;
    EXPECT_EQ(Written([](auto& w) { EXPECT_TRUE(w.WriteHeader("ABCDEFGHIJKLMNO", 1)); }).size(), 20u);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_TRUE(Written([](auto& w) { EXPECT_FALSE(w.WriteHeader("ABCDEFGHIJKLMNOP", 1)); }).empty());
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"GxContentBinaryWriter/Header String Too Long(Limit=15 Chars)\n"});
}

struct Reader {
    explicit Reader(Bytes b) : bytes(std::move(b)), r(bytes.data(), u32(bytes.size()), true) {}
    Bytes bytes;
    GxContentBinaryReader r;
};

TEST(ContentBinary, HeaderChecks) {
    qtest::LogCapture log;
    Reader shortFile(Bytes(19, 0));
    EXPECT_FALSE(shortFile.r.ReadHeader("", nullptr));
    Bytes bgd = Written([](auto& w) { w.WriteHeader("BGD", 5); });
    Reader foreign(bgd);
    u32 v = 99;
    EXPECT_FALSE(foreign.r.ReadHeader("BPD", &v));
    EXPECT_EQ(v, 99u);
    EXPECT_EQ(foreign.r.GetRemainingBytes(), 20u) << "a foreign header consumes nothing";
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"GxContentBinaryReader/ReadPos Overrun\n",
                                                     "GxContentBinaryReader/FileHeader Isn't BPD\n"}));
    // Byte 15 never belongs to the magic.
    Bytes sixteen = bgd;
    std::memcpy(sixteen.data(), "ABCDEFGHIJKLMNOP", 16);
    Reader r16(sixteen);
    EXPECT_TRUE(r16.r.ReadHeader("ABCDEFGHIJKLMNO", &v));
    EXPECT_EQ(v, 5u);
}

// A refused read logs its one line and consumes what its code says, no more.
TEST(ContentBinary, RefusedReadsConsumeOnlyWhatTheyShould) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::function<void(GxContentBinaryReader&)> read;
        const char* line;  // null: not checked
        int left;          // bytes remaining; -1: not checked
        int errors;        // -1: not checked
    };
    const Case cases[] = {
        {"a wrong code consumes the code only", Written([](auto& w) { w.Write("n", u32(7)); }),
         [](auto& r) {
             s32 v = 42;
             EXPECT_FALSE(r.Read("n", &v));
             EXPECT_EQ(v, 42);
         },
         "GxContentBinaryReader/ValueType Isn't VALTYPE_GxS32\n", 4, 1},
        {"a string without room for its terminator is an overrun", {0x1A, 0, 0, 0, 3, 'a', 'b', 'c'},
         [](auto& r) {
             GxString s = u"old";
             EXPECT_FALSE(r.Read("n", &s)) << "a failed string read is reported";
             EXPECT_EQ(s, u"");
         },
         "GxContentBinaryReader/ReadPos Overrun\n", 3, -1},
        {"a string of a wrong code", {0x05, 0, 0, 0, 1}, [](auto& r) { EXPECT_EQ(r.ReadString("n"), ""); },
         "GxContentBinaryReader/ValueType Isn't VALTYPE_GxStringSJIS or VALTYPE_GxStringUTF8\n", -1, -1},
        {"a binary size is checked before allocating", {0x1B, 0xFF, 0xFF, 0xFF, 0xF0, 1, 2, 3},
         [](auto& r) {
             GxBinBuffer out;
             EXPECT_FALSE(r.ReadBinary("n", &out));
             EXPECT_EQ(out.GetSize(), 0u);
         },
         nullptr, -1, 1},
        {"a component overrun keeps the earlier components", {0x32, 0, 0, 0, 5, 0, 0},
         [](auto& r) {
             GxPoint2 p{-1, -1};
             EXPECT_FALSE(r.Read("n", &p));
             EXPECT_EQ(p.x, 5);
             EXPECT_EQ(p.y, -1);
         },
         nullptr, 2, -1},
        {"a value read returns what was stored before the overrun", {0x32, 0, 0, 0, 5, 0, 0},
         [](auto& r) {
             const GxPoint2 q = r.ReadPoint2("n");
             EXPECT_EQ(q.x, 5);
             EXPECT_EQ(q.y, 0);
         },
         nullptr, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qtest::LogCapture log;
        Reader x(c.bytes);
        c.read(x.r);
        if (c.line) {
            EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line});
        }
        if (c.left >= 0) {
            EXPECT_EQ(x.r.GetRemainingBytes(), u32(c.left));
        }
        if (c.errors >= 0) {
            EXPECT_EQ(x.r.GetErrorCount(), u32(c.errors));
        }
    }
    Reader ok(Bytes{0x1B, 0, 0, 0, 2, 7, 8});
    GxBinBuffer out;
    EXPECT_TRUE(ok.r.ReadBinary("n", &out));
    EXPECT_EQ(out.GetSize(), 2u);
    EXPECT_EQ(out.GetData()[1], 8);
}

TEST(ContentBinary, ReadingAtTheEndCountsOverrunAndTypeAndGivesTheDefault) {
    qtest::LogCapture log;
    Reader x(Bytes{});
    x.r.SetSourceName(u"data/a.bin");
    EXPECT_EQ(x.r.ReadU16("n"), 0);
    EXPECT_EQ(x.r.ReadU16("n"), 0);
    EXPECT_EQ(x.r.GetErrorCount(), 4u);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"GxContentBinaryReader/ReadPos Overrun (data/a.bin)\n"}))
        << "a damaged file costs one line, which names it";
    Reader y(Written([](auto& w) { w.Write("n", s32(1)); }));
    EXPECT_EQ(y.r.ReadU16("n"), 0);
    EXPECT_EQ(log.Lines().back(), "GxContentBinaryReader/ValueType Isn't VALTYPE_GxU16\n");
    // Reads at the end give their defaults; a quiet reader counts without a line.
    EXPECT_TRUE(x.r.ReadMatrix("n") == GxMatrix());
    EXPECT_TRUE(x.r.ReadFColor("n") == GxFColor(1, 1, 1, 1));
    EXPECT_EQ(x.r.ReadQuat("n").w, 1);
    EXPECT_EQ(x.r.ReadQuat("n").x, 0);
    EXPECT_EQ(x.r.ReadVector3("n").w, 0);
    log.Clear();
    GxContentBinaryReader quiet(x.bytes.data(), 0, false);
    quiet.ReadS32("n");
    EXPECT_EQ(quiet.GetErrorCount(), 2u);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(ContentBinary, CrossReadsOfVectors) {
    const Bytes v4 = Written([](auto& w) { w.Write("n", GxVector4(1, 2, 3, 4)); });
    const Bytes v3 = Written([](auto& w) { w.Write("n", GxVector3(5, 6, 7)); });
    {
        Reader x(Cat(v4, v3));
        GxVector3 a;
        a.w = 9;
        EXPECT_TRUE(x.r.Read("n", &a));
        EXPECT_EQ(a.x, 1);
        EXPECT_EQ(a.z, 3);
        EXPECT_EQ(a.w, 0) << "the stored fourth float is dropped";
        EXPECT_EQ(x.r.PeekValueType(), u32(kGxValVector3)) << "exactly the stored payload is consumed";
        GxVector4 b(0, 0, 0, 8);
        EXPECT_TRUE(x.r.Read("n", &b));
        EXPECT_EQ(b.x, 5);
        EXPECT_EQ(b.z, 7);
        EXPECT_EQ(b.w, 8) << "w keeps its value";
        EXPECT_TRUE(x.r.IsEnd());
    }
    {
        Reader x(Cat(v4, v4));
        EXPECT_EQ(x.r.ReadQuat("n").w, 4);
        EXPECT_EQ(x.r.ReadFColor("n").a, 4);
        EXPECT_EQ(x.r.GetErrorCount(), 0u);
    }
    {
        qtest::LogCapture log;
        Reader x(v3);
        EXPECT_EQ(x.r.ReadQuat("n").w, 1) << "a quaternion does not come from a three-vector";
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"GxContentBinaryReader/ValueType Isn't VALTYPE_GxQuat\n"});
    }
}

TEST(ContentBinary, StringsOfBothCodes) {
    // Code 24 holds CP932 bytes: 83 5C is one character whose trail byte is '\'.
    Reader x(Bytes{0x18, 0, 0, 0, 2, 0x83, 0x5C, 0, 0x18, 0, 0, 0, 2, 0x83, 0x5C, 0, 0x1A, 0, 0, 0, 3, 0xE3, 0x82,
                   0xBD, 0, 0x1A, 0, 0, 0, 3, 'a', 0, 'b', 0});
    EXPECT_EQ(x.r.ReadWString("n"), u"ソ");
    EXPECT_EQ(x.r.ReadString("n"), "\x83\x5C");
    EXPECT_EQ(x.r.ReadString("n"), "\x83\x5C") << "UTF-8 goes to the ANSI code page";
    EXPECT_EQ(x.r.ReadWString("n"), u"a") << "a zero byte inside cuts the string";
    EXPECT_TRUE(x.r.IsEnd());
    EXPECT_EQ(x.r.GetErrorCount(), 0u);
}

TEST(ContentBinary, SkipValueSizes) {
    struct Case {
        Bytes bytes;
        u32 left;  // bytes remaining after one skip
        bool ok;
        u32 errors;
    };
    const Case cases[] = {
        {{0x15, 1, 2, 3, 4, 0x99}, 1, true, 0},                  // GxBit32: 5 bytes
        {{0x1A, 0, 0, 0, 0, 0, 0x99}, 1, true, 0},               // empty string: 6 bytes
        {{0x11, 0}, 1, false, 1},                                // matrix cut short
        {{0x14, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 0, true, 0},  // unnamed 16-byte code
        {{0x1B, 0, 0, 0, 2, 1, 2, 0x99}, 1, true, 0},            // binary
        {{0x1A, 0, 0, 0, 9, 'a'}, 0, false, 1},                  // string cut short: the rest goes with it
        {{0x1B, 0xFF, 0xFF, 0xFF, 0xFF, 1}, 0, false, 1},        // binary cut short
        {{0x18, 0, 0, 0, 2, 'a', 'b'}, 0, false, 1},             // terminator missing
        {{0x20, 0, 0, 0, 3, 0x99}, 1, true, 0},                  // list begin: its count
        {{0x21, 0x99}, 1, true, 0},                              // list end
        {{0x63, 0x99}, 1, true, 0},                              // unknown code: the code alone
        {{0xFF, 0x99}, 1, false, 0},                             // end-of-data code
        {{}, 0, false, 1},                                       // at the end
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Reader x(cases[i].bytes);
        EXPECT_EQ(x.r.SkipValue(), cases[i].ok) << i;
        EXPECT_EQ(x.r.GetRemainingBytes(), cases[i].left) << i;
        EXPECT_EQ(x.r.GetErrorCount(), cases[i].errors) << i;
    }
}

TEST(ContentBinary, NoIntegerConversions) {
    Reader x(Written([](auto& w) { w.Write("n", u8(1)), w.Write("n", s64(1)); }));
    s8 a = 0;
    u64 b = 0;
    EXPECT_FALSE(x.r.Read("n", &a));
    x.r.SkipValue();  // the payload byte, read as an unnamed code
    EXPECT_FALSE(x.r.Read("n", &b));
}

} // namespace
