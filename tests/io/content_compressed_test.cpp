#include "io/GxContentCompressedBinaryReader.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <zlib.h>

namespace {

std::vector<u8> Zmoa(const std::vector<u8>& body, u32 statedSize, const char* magic = "ZMOA") {
    uLongf n = compressBound(uLong(body.size()));
    std::vector<u8> packed(n);
    compress(packed.data(), &n, body.data(), uLong(body.size()));
    std::vector<u8> f(28 + n, 0);
    std::memcpy(f.data(), magic, std::strlen(magic));
    for (int i = 0; i < 4; ++i) f[20 + size_t(i)] = u8(statedSize >> (8 * i));
    std::memcpy(f.data() + 28, packed.data(), n);
    return f;
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
        {"foreign magic", Zmoa(body, 5, "BMOA"), "GxContentCompressedBinaryReader/FileHeader Isn't ZMOA\n"},
        {"more than 256 MiB", Zmoa(body, 256u * 1024 * 1024 + 1), "GxContentCompressedBinaryReader/Header Size Error\n"},
        {"more than the compressed bytes can hold", Zmoa(body, 1u << 20),
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
    const auto file = Zmoa({0x05, 0, 0, 0, 1}, 5);
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
    auto file = Zmoa({0x05, 0, 0, 0, 1}, 5);
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
    const auto a = Zmoa({0x05, 0, 0, 0, 1}, 5);
    const auto b = Zmoa({0x05, 0, 0, 0, 2}, 5);
    GxContentCompressedBinaryReader r(a.data(), u32(a.size()), false);
    ASSERT_TRUE(r.ReadHeader("ZMOA", nullptr));
    r.SetBuffer(b.data(), u32(b.size()));
    EXPECT_EQ(r.GetRemainingBytes(), 0u);
    ASSERT_TRUE(r.ReadHeader("ZMOA", nullptr));
    EXPECT_EQ(r.ReadS32("n"), 2);
}

} // namespace
