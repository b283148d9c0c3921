// The content forms against hand-made golden files built from the documented
// byte layouts (tests/golden/io/make_golden.py), so a writer and a reader
// cannot agree on one misreading; and the compressed form's refusals.
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentCompressedBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "tests/io/content_values.h"

#include <cstring>
#include <zlib.h>

namespace {

std::vector<u8> Golden(const char* name) { return qtest::ReadBytes(qtest::GoldenPath(std::string("io/") + name)); }

TEST(ContentGolden, BothWritersProduceTheGoldenBytes) {
    for (const bool text : {false, true}) {
        SCOPED_TRACE(text ? "text" : "binary");
        const auto golden = Golden(text ? "values.tgd" : "values.bgd");
        ASSERT_FALSE(golden.empty());
        const auto write = [text](GxContentWriterBase& w) {
            EXPECT_TRUE(w.WriteHeader(text ? "TGD" : "BGD", 100));
            EXPECT_EQ(w.GetVersion(), 100u);
            iotest::WriteGoldenValues(w);
        };
        const auto bytes = text ? iotest::WriteToMemory<GxContentTextWriter>(write)
                                : iotest::WriteToMemory<GxContentBinaryWriter>(write);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(golden.begin(), golden.end()));
    }
}

// The binary file, and the text file with and without carriage returns.
TEST(ContentGolden, BothReadersReadTheGoldenFiles) {
    const std::vector<u8> binary = Golden("values.bgd"), text = Golden("values.tgd");
    std::vector<u8> crlf;
    for (u8 c : text) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    for (const std::vector<u8>* bytes : {&binary, &text, static_cast<const std::vector<u8>*>(&crlf)}) {
        const bool isText = bytes != &binary;
        std::unique_ptr<GxContentReaderBase> r;
        if (isText)
            r = std::make_unique<GxContentTextReader>(bytes->data(), u32(bytes->size()), true);
        else
            r = std::make_unique<GxContentBinaryReader>(bytes->data(), u32(bytes->size()), true);
        u32 version = 0;
        ASSERT_TRUE(r->ReadHeader(isText ? "TGD" : "BGD", &version));
        EXPECT_EQ(version, 100u);
        EXPECT_EQ(r->GetVersion(), 100u);
        iotest::CheckGoldenValues(*r, isText ? 0u : u32(kGxValEndOfData));
    }
}

// The compressed form: a 28-byte header with a little-endian version and
// inflated size, then zlib's compress of the binary form's values.
std::vector<u8> MakeZmoa(const std::vector<u8>& body, u32 version, u32 statedSize, const char* magic = "ZMOA") {
    uLongf packedSize = compressBound(uLong(body.size()));
    std::vector<u8> packed(packedSize);
    EXPECT_EQ(compress(packed.data(), &packedSize, body.data(), uLong(body.size())), Z_OK);
    std::vector<u8> file(28, 0);
    std::memcpy(file.data(), magic, std::strlen(magic));
    for (int i = 0; i < 4; ++i) {
        file[16 + size_t(i)] = u8(version >> (8 * i));
        file[20 + size_t(i)] = u8(statedSize >> (8 * i));
    }
    file.insert(file.end(), packed.begin(), packed.begin() + long(packedSize));
    return file;
}

TEST(ContentGolden, CompressedReaderReadsTheGoldenValues) {
    const auto golden = Golden("values.bgd");
    const std::vector<u8> body(golden.begin() + 20, golden.end());
    const auto file = MakeZmoa(body, 258, u32(body.size()));
    EXPECT_EQ(std::vector<u8>(file.begin() + 16, file.begin() + 20), (std::vector<u8>{0x02, 0x01, 0x00, 0x00}));
    GxContentCompressedBinaryReader r(file.data(), u32(file.size()), true);
    u32 version = 0;
    ASSERT_TRUE(r.ReadHeader("ZMOA", &version));
    EXPECT_EQ(version, 258u);
    iotest::CheckGoldenValues(r, kGxValEndOfData);

    // A size field too short for the values: what fits is read and the rest reported.
    const auto cut = MakeZmoa(body, 1, 4);  // the first two values only
    qtest::LogCapture log;
    GxContentCompressedBinaryReader c(cut.data(), u32(cut.size()), true);
    ASSERT_TRUE(c.ReadHeader("ZMOA", nullptr)) << "a failed inflation does not fail the header";
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"GxContentCompressedBinaryReader/Uncompress Failed Code(-5)\n"});
    EXPECT_EQ(c.ReadS8("m_S8"), -2);
    EXPECT_EQ(c.ReadU8("m_U8"), 200);
    EXPECT_TRUE(c.IsEnd());
    EXPECT_EQ(c.GetErrorCount(), 1u);
}

TEST(ContentGolden, WrittenFilesRoundTripThroughFiles) {
    qtest::TempDir dir;
    for (bool text : {false, true}) {
        const auto path = dir.path() / (text ? "t.dat" : "b.dat");
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        const auto write = [text](GxContentWriterBase&& w) {
            EXPECT_TRUE(w.IsGood());
            w.WriteHeader(text ? "TPD" : "BPD", 7);
            iotest::WriteGoldenValues(w);
        };
        text ? write(GxContentTextWriter(f)) : write(GxContentBinaryWriter(f));
        std::fclose(f);
        const auto bytes = qtest::ReadBytes(path);
        GxBinBuffer buf(u32(bytes.size()));
        std::memcpy(buf.GetData(), bytes.data(), bytes.size());
        ASSERT_EQ(buf.GetHeadByte(), text ? 'T' : 'B');
        const auto read = [text](GxContentReaderBase&& r, u32 end) {
            ASSERT_TRUE(r.ReadHeader(text ? "TPD" : "BPD", nullptr));
            iotest::CheckGoldenValues(r, end);
        };
        text ? read(GxContentTextReader(buf, true), 0) : read(GxContentBinaryReader(buf, true), kGxValEndOfData);
    }
}

TEST(ContentGolden, WriterWithoutStreamReportsFailure) {
    GxContentBinaryWriter b;
    GxContentTextWriter t;
    EXPECT_FALSE(b.IsGood());
    EXPECT_FALSE(b.Write("m_X", s32(1)));
    EXPECT_FALSE(t.Write("m_X", s32(1)));
    EXPECT_FALSE(t.WriteHeader("TGD", 1));
}

TEST(ContentCompressed, HeaderRefusals) {
    struct Case {
        const char* what;
        std::vector<u8> file;
        const char* message;
    };
    const std::vector<u8> body = {0x05, 0, 0, 0, 1};
    const Case cases[] = {
        {"27 bytes", std::vector<u8>(27, 0), "GxContentCompressedBinaryReader/Header Size Error\n"},
        {"foreign magic", MakeZmoa(body, 0, 5, "BMOA"), "GxContentCompressedBinaryReader/FileHeader Isn't ZMOA\n"},
        {"more than 256 MiB", MakeZmoa(body, 0, 256u * 1024 * 1024 + 1), "GxContentCompressedBinaryReader/Header Size Error\n"},
        {"more than the compressed bytes can hold", MakeZmoa(body, 0, 1u << 20),
         "GxContentCompressedBinaryReader/Header Size Error\n"},
    };
    for (const auto& c : cases) {
        qtest::LogCapture log;
        GxContentCompressedBinaryReader r(c.file.data(), u32(c.file.size()), true);
        EXPECT_FALSE(r.ReadHeader("ZMOA", nullptr)) << c.what;
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(r.GetErrorCount(), 1u) << c.what;
        EXPECT_EQ(r.GetRemainingBytes(), 0u) << c.what << ": nothing was inflated";
    }
}

TEST(ContentCompressed, ReadsBeforeTheHeaderOverrunWithTheirOwnPrefix) {
    const auto file = MakeZmoa({0x05, 0, 0, 0, 1}, 0, 5);
    qtest::LogCapture log;
    GxContentCompressedBinaryReader r(file.data(), u32(file.size()), true);
    EXPECT_EQ(r.ReadS32("n"), 0);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"GxContentCompressedBinaryReader/ReadPos Overrun\n"}));
    EXPECT_EQ(r.GetErrorCount(), 2u);
    ASSERT_TRUE(r.ReadHeader("ZMOA", nullptr));
    EXPECT_EQ(r.ReadS32("n"), 1);
    EXPECT_TRUE(r.IsEnd());
}

TEST(ContentCompressed, DamagedStreamIsReportedButTheHeaderStands) {
    auto file = MakeZmoa({0x05, 0, 0, 0, 1}, 0, 5);
    file.resize(30);  // the zlib stream cut short
    qtest::LogCapture log;
    GxContentCompressedBinaryReader r(file.data(), u32(file.size()), true);
    EXPECT_TRUE(r.ReadHeader("ZMOA", nullptr));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "GxContentCompressedBinaryReader/Uncompress Failed Code(-3)\n");
    EXPECT_EQ(r.GetRemainingBytes(), 5u) << "the stated size, zero-filled past what was inflated";
    EXPECT_EQ(r.PeekValueType(), 0u);
}

TEST(ContentCompressed, SetBufferStartsOver) {
    const auto a = MakeZmoa({0x05, 0, 0, 0, 1}, 0, 5);
    const auto b = MakeZmoa({0x05, 0, 0, 0, 2}, 0, 5);
    GxContentCompressedBinaryReader r(a.data(), u32(a.size()), false);
    ASSERT_TRUE(r.ReadHeader("ZMOA", nullptr));
    r.SetBuffer(b.data(), u32(b.size()));
    EXPECT_EQ(r.GetRemainingBytes(), 0u);
    ASSERT_TRUE(r.ReadHeader("ZMOA", nullptr));
    EXPECT_EQ(r.ReadS32("n"), 2);
}

} // namespace
