#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "support/LogCapture.h"
#include "tests/io/content_values.h"

#include <cstdio>
#include <functional>

using namespace std::string_literals;

namespace {

std::string Written(const std::function<void(GxContentTextWriter&)>& fn) {
    const auto b = iotest::WriteToMemory<GxContentTextWriter>(fn);
    return std::string(b.begin(), b.end());
}

struct Reader {
    explicit Reader(std::string t) : text(std::move(t)), r(reinterpret_cast<const u8*>(text.data()), u32(text.size()), true) {}
    std::string text;
    GxContentTextReader r;
};

TEST(ContentText, LineLayouts) {
    struct Case {
        const char* what;
        std::function<void(GxContentTextWriter&)> write;
        std::string want;
    };
    const Case cases[] = {
        {"header", [](auto& w) { w.WriteHeader("TGD", 100); }, "TGD\t100\n"},
        {"float", [](auto& w) { w.Write("m_Alpha", 0.5f); }, "09\tm_Alpha\t0.500000\n"},
        {"quote escaped, byte count of the escaped text", [](auto& w) { w.Write("s", u"a\"b"); },
         "1a\ts\t4\t\"a\\\"b\"\n"},
        {"33 bytes: one full hex line and one of two digits",
         [](auto& w) {
             u8 d[33] = {};
             d[32] = 0xAB;
             w.WriteBinary("d", d, 33);
         },
         "1b\td\t33\n" + std::string(64, '0') + "\nab\n"},
        {"32 bytes: one line", [](auto& w) { u8 d[32] = {}; w.WriteBinary("d", d, 32); },
         "1b\td\t32\n" + std::string(64, '0') + "\n"},
        {"no bytes: no line after the value", [](auto& w) { w.WriteBinary("d", nullptr, 0); }, "1b\td\t0\n"},
        {"list", [](auto& w) { w.WriteListBegin("m_L", "Elem", 3); }, "20\tm_L\tElem\t3\t{\n"},
        {"tree and strata", [](auto& w) {
             w.WriteTreeBegin("m_T", "Node"), w.WriteTreeStratumBegin(), w.WriteTreeStratumEnd(), w.WriteTreeEnd(),
                 w.WriteListEnd();
         },
         "22\tm_T\tNode\t{\n24\t{\n25\t}\n23\t}\n21\t}\n"},
        {"64-bit", [](auto& w) { w.Write("a", s64(-1)), w.Write("b", u64(18446744073709551615ull)); },
         "07\ta\t-1\n08\tb\t18446744073709551615\n"},
        {"points and rect", [](auto& w) { w.Write("p", GxPoint3{1, -2, 3}), w.Write("r", GxRect{0, 1, 2, -3}); },
         "33\tp\t1\t-2\t3\n12\tr\t0\t1\t2\t-3\n"},
        {"all escapes", [](auto& w) { w.Write("s", u"\\\n\r\f\t'"); }, "1a\ts\t12\t\"\\\\\\n\\r\\f\\t\\'\"\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Written(c.write), c.want) << c.what;
}

TEST(ContentText, FloatsKeepSixDecimalsAsPrintfWritesThem) {
    for (double v : {0.1234567, 0.0078125, -0.0000005, 1e20, 2.5e-7, 123456.789}) {
        char want[128];
        std::snprintf(want, sizeof want, "0a\tf\t%f\n", v);
        EXPECT_EQ(Written([v](auto& w) { w.Write("f", v); }), want);
    }
    Reader x(Written([](auto& w) { w.Write("f", 0.1234567f); }));
    EXPECT_EQ(x.r.ReadF32("f"), 0.123457f);
}

TEST(ContentText, MagicLimitIsFifteenCharacters) {
    qtest::LogCapture log;
    EXPECT_EQ(Written([](auto& w) { EXPECT_FALSE(w.WriteHeader("ABCDEFGHIJKLMNOP", 1)); }), "");
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"GxContentTextWriter/Header String Too Long(Limit=15 Chars)\n"});
}

TEST(ContentText, ComplaintsNameTheLine) {
    // Each complaint in a reader of its own: a reader logs only its first.
    struct Case {
        const char* what;
        const char* text;
        std::function<void(GxContentTextReader&)> read;
        const char* line;
        bool end = true;  // what is left is consumed
    };
    const Case cases[] = {
        {"another magic", "TGD\t1\n", [](auto& r) { EXPECT_FALSE(r.ReadHeader("TPD", nullptr)); },
         "GxContentTextReader/FileHeader Isn't TPD Line=1\n"},
        {"another name", "05\tm_A\t1\n", [](auto& r) { EXPECT_EQ(r.ReadS32("m_X"), 0); },
         "GxContentTextReader/ValueName does not match Line=1\n"},
        {"another type", "05\tm_B\t2\n", [](auto& r) { u32 b = 0; EXPECT_FALSE(r.Read("m_B", &b)); },
         "GxContentTextReader/ValueType Isn't VALTYPE_GxU32 Line=1\n"},
        {"the text form converts nothing", "0e\tm_V\t1\t2\t3\t4\n", [](auto& r) { GxVector3 v; EXPECT_FALSE(r.Read("m_V", &v)); },
         "GxContentTextReader/ValueType Isn't VALTYPE_GxVector3 Line=1\n"},
        {"bit set under another name", "15\tm_F\t1\n", [](auto& r) { EXPECT_EQ(r.ReadBit32("m_G").m_Bits, 0u); },
         "GxContentStringReader/ValueName does not match Line=1\n"},
        {"list", "15\tm_F\t1\n", [](auto& r) { u32 n = 0; EXPECT_FALSE(r.ReadListBegin("m_F", &n)); },
         "GxContentTextReader/ValueType Isn't VALTYPE_ListBegin Line=1\n"},
        {"too few fields", "05\tm_S\n", [](auto& r) { EXPECT_EQ(r.ReadS32("m_S"), 0); },
         "GxContentTextReader/ValueType Isn't VALTYPE_GxS32 Line=1\n"},
        {"too few fields of a string", "1a\tm_S\t1\n", [](auto& r) { EXPECT_EQ(r.ReadString("m_S"), ""); },
         "GxContentTextReader/ValueType Isn't VALTYPE_GxStringSJIS or VALTYPE_GxStringUTF8 Line=1\n"},
        {"a binary size beyond the data", "1b\td\t4000000000\n00\n",
         [](auto& r) {
             GxBinBuffer out;
             EXPECT_FALSE(r.ReadBinary("d", &out));
             EXPECT_EQ(out.GetSize(), 0u);
         },
         "GxContentTextReader/ReadPos Overrun Line=1\n", false},
    };
    for (const auto& c : cases) {
        qtest::LogCapture log;
        Reader x(c.text);
        c.read(x.r);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line}) << c.what;
        EXPECT_EQ(x.r.GetErrorCount(), 1u) << c.what;
        EXPECT_EQ(x.r.IsEnd(), c.end) << c.what;
    }
    qtest::LogCapture log;
    Reader x("TGD\t1\n05\tm_A\t1\n");
    x.r.SetSourceName(u"data/b.txt");
    EXPECT_FALSE(x.r.ReadHeader("TPD", nullptr));
    EXPECT_EQ(x.r.ReadS32("m_X"), 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"GxContentTextReader/FileHeader Isn't TPD Line=1 (data/b.txt)\n"})
        << "a damaged file costs one line, which names it";
    EXPECT_EQ(x.r.GetErrorCount(), 2u);
    Reader unchecked("05\tm_A\t1\n");
    unchecked.r.SetValueNameCheck(false);
    EXPECT_EQ(unchecked.r.ReadS32("m_Other"), 1) << "the name check switched off";
    EXPECT_EQ(unchecked.r.GetErrorCount(), 0u);
}

TEST(ContentText, NumberFieldsFollowTheUsualConversions) {
    Reader x("05\ta\t  -12xyz\n05\ta\t99999999999\n06\ta\t-1\n02\ta\t300\n0b\ta\t2\n09\ta\tabc\n07\ta\t-99999999999999999999\n"
             "15\ta\t4294967296\n");
    EXPECT_EQ(x.r.ReadS32("a"), -12);
    EXPECT_EQ(x.r.ReadS32("a"), 2147483647) << "saturates";
    EXPECT_EQ(x.r.ReadU32("a"), 4294967295u) << "a negative value wraps";
    EXPECT_EQ(x.r.ReadU8("a"), 44) << "narrowed from 32 bits";
    EXPECT_TRUE(x.r.ReadBool("a"));
    EXPECT_EQ(x.r.ReadF32("a"), 0.0f);
    EXPECT_EQ(x.r.ReadS64("a"), INT64_MIN);
    EXPECT_EQ(x.r.ReadBit32("a").m_Bits, 4294967295u);
    EXPECT_EQ(x.r.GetErrorCount(), 0u);
}

TEST(ContentText, StringsAreUnquoted) {
    // Code 18 is CP932 text: 83 5C has '\' as its trail byte and must not escape the quote.
    Reader x("1a\ts\t0\t\"a\\vb\\qc\n"
             "18\ts\t0\t\"\x83\x5C\"\n"
             "18\ts\t0\t\"\x83\x5C\"\n"
             "1a\ts\t0\tnoquote\n"
             "1a\ts\t0\t\"\xE3\x82\xBD\"\n");
    EXPECT_EQ(x.r.ReadWString("s"), u"a\vbqc") << "an unterminated string runs to the end of the field";
    EXPECT_EQ(x.r.ReadWString("s"), u"ソ");
    EXPECT_EQ(x.r.ReadString("s"), "\x83\x5C");
    EXPECT_EQ(x.r.ReadWString("s"), u"");
    EXPECT_EQ(x.r.ReadString("s"), "\x83\x5C") << "UTF-8 to the ANSI code page";
    EXPECT_EQ(x.r.GetErrorCount(), 0u);
}

TEST(ContentText, BinaryValues) {
    // A hex line longer than 64 digits supplies 32 bytes only; the next line
    // supplies the rest.
    std::string longLine(80, 'f');
    // Older writers put a blank line after an empty value.
    Reader x("1b\td\t33\n" + longLine + "\n7f\n1b\td\t0\n05\tn\t5\n1b\td\t0\n\r\n05\tn\t6\n");
    GxBinBuffer out;
    ASSERT_TRUE(x.r.ReadBinary("d", &out));
    ASSERT_EQ(out.GetSize(), 33u);
    EXPECT_EQ(out.GetData()[31], 0xFF);
    EXPECT_EQ(out.GetData()[32], 0x7F);
    ASSERT_TRUE(x.r.ReadBinary("d", &out));
    EXPECT_EQ(out.GetSize(), 0u);
    EXPECT_EQ(x.r.ReadS32("n"), 5) << "no stray line after an empty value";
    ASSERT_TRUE(x.r.ReadBinary("d", &out));
    EXPECT_EQ(x.r.ReadS32("n"), 6);
    EXPECT_EQ(x.r.GetErrorCount(), 0u);
}

TEST(ContentText, SkipPeekAndEnd) {
    Reader x("1b\td\t40\n" + std::string(64, '0') + "\n0000\n05\tn\t1\n\0garbage"s);
    EXPECT_EQ(x.r.PeekValueType(), u32(kGxValBinary));
    EXPECT_EQ(x.r.PeekValueType(), u32(kGxValBinary)) << "peeking consumes nothing";
    EXPECT_TRUE(x.r.SkipValue());
    EXPECT_EQ(x.r.ReadS32("n"), 1);
    EXPECT_TRUE(x.r.IsEnd()) << "a zero byte ends the data";
    EXPECT_EQ(x.r.PeekValueType(), 0u);
    Reader huge("1b\td\t4294967295\n");
    EXPECT_TRUE(huge.r.SkipValue()) << "skipping stops at the end of the data";
    EXPECT_TRUE(huge.r.IsEnd());
}

} // namespace
