// Textures: sizing, loading from image files (with and without stretching,
// every format the engine reads), pixel access, fills, scrolling, copies,
// render targets through device loss, saving, and the multi-file blend.
#include "texture_fixture.h"

#include "fuzz/graphics/image_file_names.h"

#include "graphics/GxDraw.h"
#include "graphics/GxFontData.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxImageInfo.h"
#include "graphics/GxPNG.h"
#include "graphics/GxSurface.h"
#include "graphics/GxSwapChain.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "support/Golden.h"

#include <malloc.h>
#include <map>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>

using namespace gxtest;

namespace {

// A started device for every test; a test that needs another adapter starts
// again with it.
class TextureTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ASSERT_TRUE(Start());
    }
};

TEST_F(TextureTest, SizesArePowersOfTwoAndSquareWhenAsked) {
    struct Row {
        u32 w, h;
        bool squareOnly, forceSquare;
        u32 tw, th;
    };
    const Row rows[] = {
        {300, 200, false, false, 512, 256}, {300, 200, true, false, 512, 512}, {300, 200, false, true, 512, 512},
        {0, 0, false, false, 1, 1},         {1, 1, false, false, 1, 1},        {640, 480, false, false, 1024, 512},
        {1024, 3, true, false, 1024, 1024},
    };
    for (const Row& r : rows) {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::GetConfig().m_ForceSquareTextures = r.forceSquare;
        prender::adapter_script s = Script({Mode(640, 480, 60)});
        s.caps.square_only = r.squareOnly;
        ASSERT_TRUE(Start(s));
        GxTexture t;
        ASSERT_TRUE(t.CreateTexture(u"Sized", r.w, r.h, 0, 1)) << r.w << "x" << r.h;
        EXPECT_EQ(t.GetWidth(), r.tw) << r.w << "x" << r.h;
        EXPECT_EQ(t.GetHeight(), r.th) << r.w << "x" << r.h;
        EXPECT_EQ(t.GetImageWidth(), r.w);
        EXPECT_EQ(t.GetImageHeight(), r.h);
        EXPECT_EQ(t.GetFormat(), kGxFmtA8R8G8B8);
        EXPECT_EQ(t.GetPool(), kGxPoolManaged);
        EXPECT_EQ(t.GetRefCount(), 1u);
        EXPECT_EQ(t.GetName(), u"sized");
        EXPECT_TRUE(GxD3DResourceManage::GetInstance().IsRegistered(&t));
        EXPECT_EQ(t.GetMemorySize(), 4 * r.tw * r.th);
        t.Release();
        EXPECT_FALSE(GxD3DResourceManage::GetInstance().IsRegistered(&t));
        EXPECT_EQ(t.GetPool(), kGxPoolScratch);
        GxGraphics::Finalize();
    }
}

TEST_F(TextureTest, MemorySizeCountsTheMipChainAndSkipsSystemMemory) {
    GxTexture full, one, rt;
    ASSERT_TRUE(full.CreateTexture(u"full", 64, 64, kGxFmtA4R4G4B4, 0));
    EXPECT_EQ(full.GetD3DTexture()->level_count(), 7u);
    EXPECT_EQ(full.GetMemorySize(), 2u * 64 * 64 * 3 / 2);
    ASSERT_TRUE(one.CreateBufferedTexture(u"one", 64, 64, 0));
    EXPECT_EQ(one.GetObjectType(), u32(OBJTYPE_BUFFEREDTEXTURE));
    EXPECT_EQ(one.GetMemorySize(), 4u * 64 * 64);
    ASSERT_TRUE(rt.CreateRenderTarget(u"rt", 64, 64, 0));
    EXPECT_EQ(rt.GetPool(), kGxPoolDefault);
    EXPECT_EQ(rt.GetMemorySize(), 4u * 64 * 64) << "the twin in system memory is not counted";
}

TEST_F(TextureTest, StretchedPlacedTopLeftOrColourKeyed) {
    const std::vector<uint32_t> px = Pattern(300, 200);
    PutPng("pic.png", 300, 200, px);
    GxTexture placed, stretched;
    ASSERT_TRUE(placed.CreateFromFile(u"Pic.png", 0, 1, 0, false));
    EXPECT_EQ(placed.GetWidth(), 512u);
    EXPECT_EQ(placed.GetHeight(), 256u);
    EXPECT_EQ(placed.GetImageWidth(), 300u);
    EXPECT_EQ(placed.GetName(), u"pic.png");
    EXPECT_EQ(placed.GetPixel(0, 0), px[0]);
    EXPECT_EQ(placed.GetPixel(299, 199), px[199 * 300 + 299]);
    EXPECT_EQ(placed.GetPixel(300, 0), 0u) << "outside the image: transparent black";
    EXPECT_EQ(placed.GetPixel(0, 200), 0u);

    ASSERT_TRUE(stretched.CreateFromFile(u"pic.png", 0, 0, 0, true));
    EXPECT_TRUE(stretched.IsStretched());
    EXPECT_EQ(stretched.GetWidth(), 512u);
    EXPECT_GT(stretched.GetD3DTexture()->level_count(), 1u) << "mip levels 0: the full chain";
    // Scaled with the triangle filter: the corners keep the image's corners
    // approximately and the whole texture is covered.
    EXPECT_LE(MaxChannelDiff(stretched.GetPixel(0, 0), px[0]), 40);
    EXPECT_LE(MaxChannelDiff(stretched.GetPixel(511, 255), px[199 * 300 + 299]), 40);
    EXPECT_NE(stretched.GetPixel(400, 230), 0u);

    // A colour key makes matching pixels transparent.
    PutPng("key.png", 2, 1, {0xFF00FF00u, 0xFF123456u});
    GxTexture t;
    ASSERT_TRUE(t.CreateFromFile(u"key.png", 0, 1, 0xFF00FF00u, false));
    EXPECT_EQ(t.GetColorKey(), 0xFF00FF00u);
    EXPECT_EQ(t.GetPixel(0, 0), 0u);
    EXPECT_EQ(t.GetPixel(1, 0), 0xFF123456u);
}

TEST_F(TextureTest, EveryImageFormatThroughTheFileSystem) {
    PutPng("src.png", 40, 24, Pattern(40, 24));
    // A colour profile of 1.2 MB, which the JPEG carries before its frame
    // header in 64 KiB segments, as image editors write large metadata.
    std::vector<unsigned char> profile(1200000, 0);
    const unsigned char head[] = {0x00, 0x12, 0x4F, 0x80, 'n', 'o', 'n', 'e', 2, 0x10, 0, 0,
                                  'm',  'n',  't',  'r',  'R', 'G', 'B', ' ', 'X', 'Y', 'Z', ' '};
    std::copy(std::begin(head), std::end(head), profile.begin());
    std::copy_n("acsp", 4, profile.begin() + 36);
    Put("big.icc", profile);
    struct Row {
        const char* file;
        const char* options;
        int tolerance;  // against the reference tool's own reading of the file
    };
    const Row rows[] = {
        {"BMP3:a.bmp", "", 0},
        {"BMP:b.bmp", "", 0},
        {"TGA:a.tga", "-orient TopLeft", 0},
        {"JPG:a.jpg", "-quality 95", 3},
        {"JPG:profiled.jpg", "-quality 95 -profile big.icc", 3},
        {"DDS:a.dds", "-define dds:compression=none -define dds:mipmaps=0", 0},
        {"DDS:b.dds", "-define dds:compression=dxt1 -define dds:mipmaps=0", 2},
        {"DDS:c.dds", "-define dds:compression=dxt5 -define dds:mipmaps=0", 2},
        {"PNG24:rgb.png", "", 0},
    };
    for (const Row& r : rows) {
        const std::string file = std::string(r.file).substr(std::string(r.file).find(':') + 1);
        ASSERT_TRUE(Convert("src.png " + std::string(r.options) + " " + r.file));
        ASSERT_TRUE(Convert(file + " -depth 8 rgba:ref.raw"));
        std::vector<unsigned char> raw = Bytes("ref.raw");
        ASSERT_EQ(raw.size(), 40u * 24u * 4u) << file;
        GxString name = GxFromUtf8(file);
        GxImageInfo info;
        ASSERT_TRUE(GxGetImageInfoFromFile(name.c_str(), &info)) << file;
        EXPECT_EQ(info.m_Width, 40u) << file;
        EXPECT_EQ(info.m_Height, 24u) << file;
        GxTexture t;
        ASSERT_TRUE(t.CreateFromFile(name.c_str(), 0, 1, 0, false)) << file;
        EXPECT_EQ(t.GetWidth(), 64u) << file;
        EXPECT_EQ(t.GetHeight(), 32u) << file;
        int worst = 0;
        for (u32 y = 0; y < 24; ++y)
            for (u32 x = 0; x < 40; ++x) {
                const unsigned char* p = &raw[(size_t(y) * 40 + x) * 4];
                const uint32_t ref = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                worst = std::max(worst, MaxChannelDiff(t.GetPixel(x, y), ref));
            }
        EXPECT_LE(worst, r.tolerance) << file;
        EXPECT_EQ(t.GetPixel(40, 0), 0u) << file;
    }
    EXPECT_GT(Bytes("profiled.jpg").size(), size_t(1) << 20) << "the profile is in the file";
    GxImageInfo jpg;
    ASSERT_TRUE(GxGetImageInfoFromFile(u"a.jpg", &jpg));
    EXPECT_EQ(jpg.m_Depth, 1u) << "a flat image read through the library";
    GxImageInfo png;
    ASSERT_TRUE(GxGetImageInfoFromFile(u"SRC.PNG", &png)) << "the extension is compared without case";
    EXPECT_EQ(png.m_Depth, 0u);
}

TEST_F(TextureTest, BrokenAndMisnamedFiles) {
    const std::vector<uint32_t> px = Pattern(300, 200);
    PutPng("good.png", 300, 200, px);
    std::vector<unsigned char> good = Bytes("good.png");
    Put("truncated.png", std::vector<unsigned char>(good.begin(), good.begin() + 100));
    Put("short.png", std::vector<unsigned char>(good.begin(), good.begin() + 20));
    std::vector<unsigned char> dds(128, 0);
    dds[0] = 'D', dds[1] = 'D', dds[2] = 'S', dds[3] = ' ';
    Put("dds.png", dds);
    Put("tiny.dds", std::vector<unsigned char>(dds.begin(), dds.begin() + 20));
    Put("noise.jpg", std::vector<unsigned char>(500, 0x5A));
    // A segment that runs past the end of the file.
    Put("cut.jpg", {0xFF, 0xD8, 0xFF, 0xE1, 0x01, 0x00, 'E', 'x', 'i', 'f', 0, 0});
    // A picture with a 70 KB colour profile before its frame header, cut
    // right after its start marker, where its first segment ends, among fill
    // bytes after that, inside the profile, inside its frame header and
    // inside its scan.
    const std::vector<unsigned char> icc =
        qtest::ReadBytes(qtest::SourcePath("tests/corpus/image_file_fuzz/jpg-icc-70k.jpg"));
    auto segment = [&](unsigned char marker) {
        size_t at = 2;
        while (at + 4 <= icc.size() && icc[at + 1] != marker) at += 2 + (size_t(icc[at + 2]) << 8 | icc[at + 3]);
        return at + 4 <= icc.size() ? at : 0;
    };
    const size_t profile = segment(0xE2), frame = segment(0xC0), scan = segment(0xDA);
    ASSERT_TRUE(profile && frame && scan);
    ASSERT_GT(frame - profile, 65535u) << "the profile fills a segment";
    auto head = [&](size_t n) { return std::vector<unsigned char>(icc.begin(), icc.begin() + ptrdiff_t(n)); };
    Put("cut-after-start.jpg", head(2));
    Put("cut-between-segments.jpg", head(profile));
    std::vector<unsigned char> fill = head(profile);
    fill.insert(fill.end(), {0xFF, 0xFF});
    Put("cut-in-fill-bytes.jpg", fill);
    Put("cut-in-profile.jpg", head(profile + 40000));
    Put("cut-in-frame-header.jpg", head(frame + 2 + (size_t(icc[frame + 2]) << 8 | icc[frame + 3]) - 1));
    Put("cut-in-scan.jpg", head((scan + icc.size()) / 2));
    // A scan with no frame header before it; a frame header of three
    // components whose length holds one; one 20000 pixels wide.
    Put("scan.jpg", {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 63, 0});
    Put("frame.jpg", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 13, 0, 21, 3, 1, 0x11, 0});
    Put("wide.jpg", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 13, 0x4E, 0x20, 1, 1, 0x11, 0});
    // A BMP whose info header is 20 bytes long; a colour-mapped TGA without its map.
    std::vector<unsigned char> bmp(60, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 20;
    Put("short.bmp", bmp);
    std::vector<unsigned char> tga(40, 0);
    tga[2] = 1, tga[12] = 4, tga[14] = 4, tga[16] = 8;
    Put("mapless.tga", tga);
    // A name the file system finds but cannot open as a file.
    std::filesystem::create_directory(dir_.path() / "folder.tga");
    struct Row {
        std::u16string name;
        std::string message;
    };
    std::vector<Row> rows = {
        {u"missing.png", "Error/GetInfoFromFile Open error(Name:missing.png)\n"},
        {u"truncated.png", "Error/Texture CreateFromFile Failed(Name:\"truncated.png\" Size:512,256 "
                           "データが無効です。 PNG chunk runs past the end of the data)\n"},
        {u"short.png", "Error/GetInfoFromFile Read error(Name:short.png)\n"},
        {u"dds.png", "Error/GetInfoFromFile This file is not PNG image(Name:dds.png)\n"},
        {u"tiny.dds", "Error/GetInfoFromFile Read error(Name:tiny.dds)\n"},
        {u"missing.jpg", "Error/GetInfoFromFile Failed(Name:missing.jpg,file not found)\n"},
        {u"missing.bmp", "Error/GetInfoFromFile Failed(Name:missing.bmp,file not found)\n"},
        {u"folder.tga", "Error/GetInfoFromFile Failed(Name:folder.tga,file cannot be opened)\n"},
        // Refused by the image library's header check, which says why.
        {u"noise.jpg", "Error/GetInfoFromFile Failed(Name:noise.jpg,unknown image format)\n"},
        // A file cut short says so whichever reader meets the cut.
        {u"cut-in-scan.jpg", "Error/Texture CreateFromFile Failed(Name:\"cut-in-scan.jpg\" Size:16,16 "
                             "データが無効です。 JPEG data cut short)\n"},
        {u"scan.jpg", "Error/GetInfoFromFile Failed(Name:scan.jpg,JPEG has no frame header before its picture)\n"},
        {u"frame.jpg", "Error/GetInfoFromFile Failed(Name:frame.jpg,JPEG frame header damaged)\n"},
        {u"wide.jpg", "Error/GetInfoFromFile Failed(Name:wide.jpg,JPEG size out of range)\n"},
        {u"short.bmp", "Error/GetInfoFromFile Failed(Name:short.bmp,BMP header not supported)\n"},
        {u"mapless.tga", "Error/GetInfoFromFile Failed(Name:mapless.tga,TGA colour map missing)\n"},
    };
    for (const char* cut : {"cut.jpg", "cut-after-start.jpg", "cut-between-segments.jpg", "cut-in-fill-bytes.jpg",
                            "cut-in-profile.jpg", "cut-in-frame-header.jpg"})
        rows.push_back({GxFromUtf8(cut), std::string("Error/GetInfoFromFile Failed(Name:") + cut +
                                             ",JPEG data cut short)\n"});
    for (const Row& r : rows) {
        qtest::LogCapture log;
        GxTexture t;
        EXPECT_FALSE(t.CreateFromFile(r.name.c_str(), 0, 1, 0, true)) << r.message;
        EXPECT_EQ(log.Lines(), std::vector<std::string>{r.message});
        EXPECT_TRUE(t.IsCreateFailed());
        EXPECT_FALSE(t.HasTexture());
        EXPECT_EQ(t.GetRefCount(), 0u);
        EXPECT_FALSE(GxD3DResourceManage::GetInstance().IsRegistered(&t));
    }
}

// The committed pictures of image_file_fuzz, each loaded as a texture under
// the name the target gives it: its own format's, or for a file named
// "…-named-EXT.*" the one its last byte picks. Every other picture shows at
// the size its header gives (backgrounds of a couple of hundred bytes that
// arithmetic coding makes of a flat picture, and one without its end marker,
// among them), and every damaged one ("damaged-…") is refused with its
// reason, so that the target's decoders and their refusals are reached by
// the corpus, not only by fuzzing.
TEST_F(TextureTest, TheImageFuzzCorpusLoadsUnderTheNamesItsTargetGives) {
    // Each damaged seed is refused for the fault it was made with, not for
    // some other one found before it.
    const std::map<std::string, std::string> why = {
        {"damaged-bmp-pixels-past-the-end.bmp", "BMP pixel data truncated"},
        {"damaged-dds-blocks-cut.dds", "DDS data truncated"},
        {"damaged-jpg-cut-in-scan.jpg", "JPEG data cut short"},
        {"damaged-jpg-dqt-length.jpg", "JPEG segments damaged"},
        {"damaged-jpg-huffman-table.jpg", "JPEG tables damaged"},
        {"damaged-jpg-huffman-values.jpg", "JPEG data corrupt"},
        {"damaged-jpg-progressive-cut-before-last-scan.jpg", "JPEG data cut short"},
        {"damaged-png-cut-in-data.png", "PNG chunk runs past the end of the data"},
        {"damaged-png-data-length.png", "PNG chunk runs past the end of the data"},
        {"damaged-tga-runs-cut.tga", "TGA data truncated"},
    };
    size_t shown = 0, refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(qtest::SourcePath("tests/corpus/image_file_fuzz"))) {
        const std::string file = entry.path().filename().string();
        SCOPED_TRACE(file);
        const std::vector<unsigned char> bytes = qtest::ReadBytes(entry.path());
        const std::string name = qfuzz::NameFor(bytes.data(), bytes.size());
        const size_t named = file.find("-named-");
        const std::string meant = named == std::string::npos ? entry.path().extension().string().substr(1)
                                                             : file.substr(named + 7, 3);
        EXPECT_EQ(name, "f." + meant);
        if (named != std::string::npos) continue;
        Put(name, bytes);
        qtest::LogCapture log;
        GxTexture t;
        const bool ok = t.CreateFromFile(GxFromUtf8(name).c_str(), 0, 1, 0, false);
        if (file.rfind("damaged-", 0) == 0) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(log.Lines().size(), 1u) << log.Text();
            ASSERT_TRUE(why.count(file)) << "a damaged seed without its reason";
            EXPECT_TRUE(log.Contains(why.at(file))) << log.Text();
            refused += !ok;
            continue;
        }
        pimage::image_info header;
        ASSERT_TRUE(pimage::read_info(bytes.data(), bytes.size(), header));
        EXPECT_TRUE(ok) << log.Text();
        EXPECT_EQ(t.GetImageWidth(), header.width);
        EXPECT_EQ(t.GetImageHeight(), header.height);
        shown += ok;
    }
    EXPECT_GE(shown, 30u);
    EXPECT_EQ(refused, why.size());
}

TEST_F(TextureTest, ImageInfoFromMemoryNeverReadsPastTheBytes) {
    PutPng("p.png", 3, 5, Pattern(3, 5));
    std::vector<unsigned char> png = Bytes("p.png");
    std::vector<unsigned char> dds(28, 0);
    dds[0] = 'D', dds[1] = 'D', dds[2] = 'S', dds[3] = ' ';
    dds[12] = 7;  // height
    dds[16] = 9;  // width
    dds[24] = 2;  // depth
    struct Row {
        std::vector<unsigned char> bytes;
        bool ok;
        u32 w, h, depth;
    };
    const Row rows[] = {
        {png, true, 3, 5, 0},
        {std::vector<unsigned char>(png.begin(), png.begin() + 24), true, 3, 5, 0},
        {std::vector<unsigned char>(png.begin(), png.begin() + 23), false, 0, 0, 0},
        {dds, true, 9, 7, 2},
        {std::vector<unsigned char>(dds.begin(), dds.begin() + 27), false, 0, 0, 0},
        {{}, false, 0, 0, 0},
    };
    for (const Row& r : rows) {
        // Exactly the bytes given, so reading past them shows under the sanitizer.
        std::unique_ptr<unsigned char[]> exact(new unsigned char[r.bytes.size() + 1]);
        std::copy(r.bytes.begin(), r.bytes.end(), exact.get());
        qtest::LogCapture log;
        GxImageInfo info;
        EXPECT_EQ(GxGetImageInfoFromMemory(r.bytes.empty() ? nullptr : exact.get(), u32(r.bytes.size()), &info), r.ok)
            << r.bytes.size();
        EXPECT_EQ(info.m_Width, r.w);
        EXPECT_EQ(info.m_Height, r.h);
        EXPECT_EQ(info.m_Depth, r.depth);
        if (!r.ok) {
            EXPECT_TRUE(log.Contains("Error/GetInfoFromMemory Failed(Addr:")) << log.Text();
        }
    }
}

TEST_F(TextureTest, LockingTwiceIsRefused) {
    GxTexture t;
    ASSERT_TRUE(t.CreateTexture(u"lock", 16, 16, 0, 1));
    qtest::LogCapture log;
    void* bits = nullptr;
    u32 pitch = 0, w = 0, h = 0, format = 0;
    GxRect r{2, 3, 10, 7};
    ASSERT_TRUE(t.LockRect(&r, &bits, &pitch, &w, &h, &format, false));
    EXPECT_TRUE(t.IsLocked());
    EXPECT_EQ(w, 8u);
    EXPECT_EQ(h, 4u);
    EXPECT_EQ(format, kGxFmtA8R8G8B8);
    EXPECT_GE(pitch, 64u);
    static_cast<u32*>(bits)[0] = 0xFF0A0B0Cu;
    EXPECT_FALSE(t.LockRect(nullptr, &bits, nullptr, nullptr, nullptr, nullptr, true));
    EXPECT_TRUE(log.Contains("Error/Texture LockRect Failed(Name:\"lock\" Size:16,16 Texture Already Locked)\n"))
        << log.Text();
    EXPECT_TRUE(t.UnlockRect());
    EXPECT_FALSE(t.UnlockRect());
    EXPECT_EQ(t.GetPixel(2, 3), 0xFF0A0B0Cu) << "the rectangle's first pixel";
    EXPECT_EQ(t.GetPixel(16, 0), 0u);
    EXPECT_FALSE(t.IsLocked()) << "reading a pixel leaves no lock behind";
}

TEST_F(TextureTest, FillsIn32And16BitFormats) {
    GxTexture t32, t16;
    ASSERT_TRUE(t32.CreateTexture(u"t32", 8, 8, 0, 1));
    ASSERT_TRUE(t16.CreateTexture(u"t16", 8, 8, kGxFmtA4R4G4B4, 1));
    ASSERT_TRUE(t32.Fill(0x80123456u));
    ASSERT_TRUE(t16.Fill(0x80123456u));
    EXPECT_EQ(t32.GetPixel(7, 7), 0x80123456u);
    EXPECT_EQ(t16.GetPixel(7, 7), 0x88113355u) << "top four bits, widened back by repeating them";
    GxRect r{-5, 2, 3, 100};
    ASSERT_TRUE(t32.FillRect(&r, 0xFFFFFFFFu));
    EXPECT_EQ(t32.GetPixel(0, 2), 0xFFFFFFFFu);
    EXPECT_EQ(t32.GetPixel(2, 7), 0xFFFFFFFFu);
    EXPECT_EQ(t32.GetPixel(3, 2), 0x80123456u);
    EXPECT_EQ(t32.GetPixel(0, 1), 0x80123456u);
    GxRect away{20, 20, 30, 30};
    EXPECT_TRUE(t32.FillRect(&away, 0)) << "nothing on the texture: nothing to do";
    GxRect mapped{4, 4, 6, 5};
    ASSERT_TRUE(t32.FillRectMapped(&mapped, 0xFF000001u));
    EXPECT_EQ(t32.GetPixel(5, 4), 0xFF000001u);
    EXPECT_EQ(t32.GetPixel(6, 4), 0x80123456u);
    GxTexture none;
    EXPECT_FALSE(none.Fill(0));
}

TEST_F(TextureTest, ScrollVerticalMovesRowsAndNeverPastTheTexture) {
    struct Row {
        s32 rows;
        u32 expected[4];  // rows 0..3 of a 4-row texture whose rows start as 0, 1, 2, 3
    };
    const u32 F = 0xEEEEEEEEu;
    const Row rows[] = {
        {0, {0, 1, 2, 3}}, {1, {F, 0, 1, 2}}, {2, {F, F, 0, 1}},   {-1, {1, 2, 3, F}},
        {-3, {3, F, F, F}}, {4, {F, F, F, F}}, {9, {F, F, F, F}}, {-400, {F, F, F, F}},
    };
    for (const Row& r : rows) {
        GxTexture t;
        ASSERT_TRUE(t.CreateTexture(u"scroll", 2, 4, 0, 1));
        for (s32 y = 0; y < 4; ++y) {
            GxRect line{0, y, 2, y + 1};
            t.FillRect(&line, u32(y));
        }
        ASSERT_TRUE(t.ScrollVertical(r.rows, F)) << r.rows;
        for (u32 y = 0; y < 4; ++y) {
            EXPECT_EQ(t.GetPixel(0, y), r.expected[y]) << "scroll " << r.rows << " row " << y;
            EXPECT_EQ(t.GetPixel(1, y), r.expected[y]) << "scroll " << r.rows << " row " << y;
        }
    }
}

TEST_F(TextureTest, CopyRectClipsConvertsAndReportsItsResult) {
    GxTexture src, dst, dst16, rt;
    ASSERT_TRUE(src.CreateTexture(u"src", 4, 4, 0, 1));
    for (s32 y = 0; y < 4; ++y)
        for (s32 x = 0; x < 4; ++x) {
            GxRect p{x, y, x + 1, y + 1};
            src.FillRect(&p, 0xFF000000u | u32(y * 16 + x));
        }
    ASSERT_TRUE(dst.CreateTexture(u"dst", 4, 4, 0, 1));
    ASSERT_TRUE(dst.Fill(0));
    GxRect part{1, 1, 3, 3};
    EXPECT_TRUE(dst.CopyRect(&src, &part, 0, 0));
    EXPECT_EQ(dst.GetPixel(0, 0), 0xFF000011u);
    EXPECT_EQ(dst.GetPixel(1, 1), 0xFF000022u);
    EXPECT_EQ(dst.GetPixel(2, 2), 0u);

    // Off the top-left corner: the source is cut instead.
    ASSERT_TRUE(dst.Fill(0));
    EXPECT_TRUE(dst.CopyRect(&src, nullptr, -1, -2));
    EXPECT_EQ(dst.GetPixel(0, 0), 0xFF000021u);
    EXPECT_EQ(dst.GetPixel(2, 1), 0xFF000033u);
    EXPECT_EQ(dst.GetPixel(3, 0), 0u);
    EXPECT_EQ(dst.GetPixel(0, 2), 0u);
    // Off the bottom-right and beyond the source: cut to what both hold.
    ASSERT_TRUE(dst.Fill(0));
    GxRect big{2, 2, 100, 100};
    EXPECT_TRUE(dst.CopyRect(&src, &big, 3, 3));
    EXPECT_EQ(dst.GetPixel(3, 3), 0xFF000022u);
    EXPECT_TRUE(dst.CopyRect(&src, nullptr, 10, 10)) << "nothing overlaps: nothing to copy";

    ASSERT_TRUE(dst16.CreateTexture(u"dst16", 4, 4, kGxFmtA4R4G4B4, 1));
    EXPECT_TRUE(dst16.CopyRect(&src, nullptr, 0, 0));
    EXPECT_EQ(dst16.GetPixel(3, 3), 0xFF000033u) << "32 to 16 keeps the top four bits";
    ASSERT_TRUE(dst.Fill(0));
    EXPECT_TRUE(dst.CopyRect(&dst16, nullptr, 0, 0));
    EXPECT_EQ(dst.GetPixel(3, 3), 0xFF000033u) << "16 to 32 repeats them";

    ASSERT_TRUE(rt.CreateRenderTarget(u"rt", 4, 4, 0));
    EXPECT_FALSE(rt.CopyRect(&src, nullptr, 0, 0)) << "a render target's texture cannot be locked";
    EXPECT_FALSE(src.CopyRect(&src, &part, 2, 2)) << "a texture cannot be locked twice";
    GxTexture empty;
    EXPECT_FALSE(dst.CopyRect(&empty, nullptr, 0, 0));
    EXPECT_FALSE(dst.CopyRect(nullptr, nullptr, 0, 0));
}

// A render target is drawn, read and saved through its twin in system
// memory; a managed texture directly. Both survive a device reset.
TEST_F(TextureTest, RenderTargetsThroughTheirTwinManagedTexturesDirectlyBothThroughAReset) {
    GxTexture rt, t;
    ASSERT_TRUE(rt.CreateRenderTarget(u"Capture", 32, 16, 0));
    ASSERT_TRUE(t.CreateTexture(u"keep", 4, 4, 0, 1));
    ASSERT_TRUE(t.Fill(0x11223344u));
    auto before = t.GetD3DTexture();
    EXPECT_EQ(rt.GetObjectType(), u32(OBJTYPE_RENDERTARGET));
    std::shared_ptr<prender::surface> memory;
    rt.GetMemorySurface(&memory);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->desc().where, prender::pool::system_memory);

    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &rt, nullptr, nullptr));
    EXPECT_EQ(Dev().get_viewport().width, 32u);
    ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF203040u, 1.0f, 0));
    ASSERT_TRUE(GxGraphics::BeginScene());
    GxSetDefaultRenderStates();
    const f32 rect[4] = {8, 0, 16, 16};
    const u32 red[5] = {0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u};
    GxDrawGradientRect(rect, red, nullptr, 1);
    ASSERT_TRUE(GxGraphics::EndScene());
    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));

    EXPECT_EQ(rt.GetPixel(0, 0), 0xFF203040u) << "read through the twin after a transfer";
    EXPECT_EQ(rt.GetPixel(8, 5), 0xFFFF0000u);
    ASSERT_TRUE(rt.SaveToFile(u"capture.png"));
    std::vector<uint32_t> saved = Decoded("capture.png");
    ASSERT_EQ(saved.size(), 32u * 16u);
    EXPECT_EQ(saved[0], 0xFF203040u);
    EXPECT_EQ(saved[5 * 32 + 9], 0xFFFF0000u);
    // Writing goes through the twin and is uploaded again.
    ASSERT_TRUE(rt.Fill(0xFF00FF00u));
    EXPECT_EQ(rt.GetD3DTexture()->surface_level(0)->read_argb()[31], 0xFF00FF00u);

    // Device loss: the render target is released and made again (undefined
    // content), so the reset is not refused.
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_TRUE(rt.HasTexture());
    EXPECT_EQ(rt.GetWidth(), 32u);
    // A managed texture is kept whole.
    EXPECT_EQ(t.GetD3DTexture(), before);
    EXPECT_EQ(t.GetPixel(3, 3), 0x11223344u);
    ASSERT_TRUE(t.SaveToFileA("keep.png"));
    EXPECT_EQ(Decoded("keep.png")[15], 0x11223344u);
    qtest::LogCapture log;
    EXPECT_FALSE(t.SaveToFile(u"no/such/folder/x.png"));
    EXPECT_TRUE(log.Contains("Error/Texture SaveToFile Failed(Name:\"keep\" Size:4,4 ")) << log.Text();
}

TEST_F(TextureTest, FailedCreationsHoldNothing) {
    qtest::LogCapture log;
    GxTexture t;
    ASSERT_TRUE(t.CreateTexture(u"before", 8, 8, 0, 1));
    EXPECT_FALSE(t.CreateRenderTarget(u"huge", 100000, 8, 0));
    EXPECT_TRUE(log.Contains("Error/Texture CreateRenderTarget Failed(Type:MemoryTexture Name:\"huge\" Size:131072,8 "))
        << log.Text();
    EXPECT_TRUE(t.IsCreateFailed());
    EXPECT_FALSE(t.HasTexture());
    std::shared_ptr<prender::texture> twin;
    t.GetMemoryTextureRef(&twin);
    EXPECT_EQ(twin, nullptr);
    EXPECT_EQ(t.GetRefCount(), 0u) << "what was held before is released by the new creation";
    EXPECT_FALSE(GxD3DResourceManage::GetInstance().IsRegistered(&t));
    EXPECT_FALSE(t.CreateTexture(u"huge", 0x80000001u, 1, 0, 1));
    EXPECT_TRUE(log.Contains("Error/Texture CreateTexture Failed(Name:\"huge\" Size:0,1 ")) << log.Text();
    // A sound picture the device refuses a texture for (of a depth format):
    // the device's result alone, no reason from the decoder it stopped.
    PutPng("good.png", 300, 200, Pattern(300, 200));
    log.Clear();
    EXPECT_FALSE(t.CreateFromFile(u"good.png", kGxFmtD24S8, 1, 0, false));
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error/Texture CreateFromFile Failed(Name:\"good.png\" Size:512,256 "
                                                    "メソッドの呼び出しが無効です。例えばメソッドのパラメータが有効なポインタではありません。)\n"});

    GxGraphics::Finalize();
    log.Clear();
    EXPECT_FALSE(t.CreateTexture(u"nodevice", 8, 8, 0, 1));
    EXPECT_TRUE(t.IsCreateFailed());
    EXPECT_TRUE(log.Lines().empty()) << "no message without a device";
}

TEST_F(TextureTest, ReloadAndPrepare) {
    PutPng("r.png", 4, 4, std::vector<uint32_t>(16, 0xFF0000FFu));
    GxTexture t;
    ASSERT_TRUE(t.CreateFromFile(u"r.png", 0, 1, 0, false));
    PutPng("r.png", 8, 2, std::vector<uint32_t>(16, 0xFFFF0000u));
    ASSERT_TRUE(t.ReloadFromFile());
    EXPECT_EQ(t.GetImageWidth(), 8u);
    EXPECT_EQ(t.GetWidth(), 8u);
    EXPECT_EQ(t.GetHeight(), 2u);
    EXPECT_EQ(t.GetPixel(7, 1), 0xFFFF0000u);
    EXPECT_EQ(t.GetRefCount(), 1u) << "no second reference";
    EXPECT_EQ(GxD3DResourceManage::GetInstance().GetTotalMemorySize(),
              GxGraphics::GetDefaultSwapChain()->GetMemorySize() + 8u * 2 * 4)
        << "the registry knows the new size";

    GxTexture later;
    EXPECT_FALSE(later.PrepareFromFile(u"R.png", 0, 1, 0, false));
    EXPECT_EQ(later.GetJobName(), u"r.png");
    EXPECT_FALSE(later.HasTexture());
    later.ExecuteJob(nullptr, nullptr);
    EXPECT_TRUE(later.HasTexture());
    EXPECT_EQ(later.GetPixel(0, 0), 0xFFFF0000u);
}

// The device's largest texture bounds every picture the graphics layer
// decodes, in every format: a larger one is refused from its header with one
// line naming it and why, also as a tiled texture or scratch surface (which
// could hold it otherwise) and as a picture blended over another.
TEST_F(TextureTest, PicturesLargerThanTheLargestTextureAreRefused) {
    prender::adapter_script s = Script({Mode(640, 480, 60)});
    s.caps.max_texture_width = 256;
    s.caps.max_texture_height = 128;
    ASSERT_TRUE(Start(s));
    for (const auto& [ext, kind] : {std::pair<const char*, std::string>{"png", "PNG"}, {"jpg", "JPEG"}, {"bmp", "BMP"},
                                    {"tga", "TGA"}, {"dds", "DDS"}}) {
        const std::string wide = std::string("wide.") + ext, tall = std::string("tall.") + ext;
        const std::string fits = std::string("fits.") + ext;
        ASSERT_TRUE(Convert("-size 257x8 xc:red " + wide));
        ASSERT_TRUE(Convert("-size 8x129 xc:red " + tall));
        ASSERT_TRUE(Convert("-size 256x128 xc:red " + fits));
        for (const std::string& big : {wide, tall}) {
            qtest::LogCapture log;
            GxTextureFlex refused;
            EXPECT_FALSE(refused.CreateFromFile(GxFromUtf8(big).c_str(), 0, 0)) << big;
            EXPECT_EQ(log.Text(), "Error/ImageLoadFromFile Failed(Name:\"" + big + "\" " + kind + " size out of range)\n");
        }
        GxTextureFlex taken;
        EXPECT_TRUE(taken.CreateFromFile(GxFromUtf8(fits).c_str(), 0, 0)) << fits;
    }
    PutPng("base.png", 2, 2, {0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u});
    PutPng("over.png", 300, 2, std::vector<uint32_t>(600, 0xFFFF0000u));
    qtest::LogCapture log;
    GxTexture blended;
    ASSERT_TRUE(blended.CreateFromFileMultiBlend(u"blend", {u"base.png", u"over.png"}, 0, 1));
    EXPECT_TRUE(log.Contains("Error/Texture CreateFromFileMultiBlend Failed(Name:\"over.png\")\n")) << log.Text();
    EXPECT_EQ(blended.GetPixel(0, 0), 0xFF00FF00u) << "the base alone";
}

// 1-bit pictures of 16384 × 8192 and 16384 × 16384 in 16 and 33 KB, as the
// title picture: refused from the header at once, where they were decoded to
// 512 MB and 1 GiB first.
TEST_F(TextureTest, HugePicturesInSmallFilesAreRefusedAtOnce) {
    ASSERT_EQ(GxLargestTextureSize().width, 8192u);
    for (const char* name : {"oom-crafted-1bit-16384x8192.png", "oom-crafted-1bit-16384x16384.png"}) {
        Put("title.png", qtest::ReadBytes(qtest::SourcePath(std::string("tests/corpus/png_fuzz/") + name)));
        struct rusage before = {}, after = {};
        getrusage(RUSAGE_SELF, &before);
        qtest::LogCapture log;
        GxTextureFlex flex;
        GxTexture plain;
        EXPECT_FALSE(flex.CreateFromFile(u"title.png", 0, 0)) << name;
        EXPECT_FALSE(plain.CreateFromFile(u"title.png", 0, 1, 0, false)) << name;
        getrusage(RUSAGE_SELF, &after);
        EXPECT_EQ(log.Lines().size(), 2u) << log.Text();
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << name << ": peak memory grew (KiB)";
    }
}

// Every reader that makes a texture, tiles, a surface or a font of a
// picture file, each loading one file into its own object.
enum class Reader { Info, Texture, MipChain, Stretched, Font, Flex, Surface, Blend };
struct Readers {
    GxImageInfo info;
    GxTexture texture;
    GxTextureFlex flex;
    GxSurface surface;
    GxFontData font;

    bool Load(Reader reader, const GxString& name) {
        switch (reader) {
        case Reader::Info: return GxGetImageInfoFromFile(name.c_str(), &info);
        case Reader::Texture: return texture.CreateFromFile(name.c_str(), 0, 1, 0, false);
        case Reader::MipChain: return texture.CreateFromFile(name.c_str(), 0, 0, 0, false);
        case Reader::Stretched: return texture.CreateFromFile(name.c_str(), 0, 1, 0, true);
        case Reader::Font: return font.Create(u"FONT16SYS", name.c_str(), 0x20, 0x7E, 8, 16, 16);
        case Reader::Flex: return flex.CreateFromFile(name.c_str(), 0, 0);
        case Reader::Surface: return surface.CreateFromFile(name.c_str(), 0, 0);
        case Reader::Blend: return texture.CreateFromFileMultiBlend(u"blend", {name, name}, 0, 1);
        }
        return false;
    }
};

// A valid picture followed by a sparse tail (no disk, no time to write) as a
// save's thumbnail, a background, a tiled picture, a surface or a font sheet:
// past the largest file a texture can mean it is refused with one line
// naming it, before anything is read; up to it, every format's size comes
// from the head of the file alone. Reading any of them whole would raise the
// peak memory by hundreds of megabytes.
TEST_F(TextureTest, PictureFilesAreReadNoFurtherThanATextureCanMean) {
    PutPng("src.png", 128, 96, Pattern(128, 96));
    struct Row {
        const char* made;  // convert's output from src.png; without a ':', a copy of src.png (our writer's)
        u64 size;          // the file's length with its tail
        Reader reader;
    };
    const u64 most = kGxLargestPictureFileSize, over = most + 1, threeGiB = 3ull << 30, fiveGiB = 5ull << 30;
    // The heads first: a row read whole raises the peak for every later one.
    const Row rows[] = {
        {"info.png", most, Reader::Info},
        {"PNG24:info24.png", most, Reader::Info},
        {"BMP3:info.bmp", most, Reader::Info},
        {"JPG:info.jpg", most, Reader::Info},
        {"TGA:info.tga", most, Reader::Info},
        {"DDS:info.dds", most, Reader::Info},
        {"thumb001.png", threeGiB, Reader::MipChain},
        {"BMP3:bg.bmp", over, Reader::Flex},
        {"JPG:font.jpg", threeGiB, Reader::Font},
        {"TGA:ev.tga", fiveGiB, Reader::Surface},
        {"DDS:mip.dds", over, Reader::MipChain},
    };
    for (const Row& r : rows) {
        const std::string made = r.made, file = made.substr(made.find(':') + 1);
        SCOPED_TRACE(file);
        if (made.find(':') == std::string::npos)
            std::filesystem::copy_file("src.png", file);
        else
            ASSERT_TRUE(Convert("src.png -define dds:compression=none " + made));
        std::filesystem::resize_file(file, r.size);
        const GxString name = GxFromUtf8(file);
        struct rusage before = {}, after = {};
        getrusage(RUSAGE_SELF, &before);
        qtest::LogCapture log;
        Readers load;
        const bool ok = load.Load(r.reader, name);
        getrusage(RUSAGE_SELF, &after);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "peak memory grew (KiB)";
        if (r.reader == Reader::Info) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(log.Lines(), std::vector<std::string>{});
            EXPECT_EQ(load.info.m_Width, 128u);
            EXPECT_EQ(load.info.m_Height, 96u);
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"File too large(" + std::to_string(r.size) + " bytes, at most " +
                                                        std::to_string(most) + "):" + file + "\n"});
    }
}

// The process's resident memory and its peak since the last reset, in bytes.
struct Resident {
    u64 now = 0, peak = 0;
};
Resident ReadResident() {
    Resident r;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) r.now = std::stoull(line.substr(6)) * 1024;
        if (line.rfind("VmHWM:", 0) == 0) r.peak = std::stoull(line.substr(6)) * 1024;
    }
    return r;
}

// An 8192 x 8192 picture in a small file, loaded by every reader that makes
// a texture, tiles or a surface of one: the peak memory above what the
// process held before (the kernel's high-water mark, reset first) is the
// texture and at most one decoded copy beside it. It was the decoded
// picture, a placed copy of it and the texture at once, about 770 MB; a
// stretched picture also took a resampling buffer of four floats a pixel.
TEST_F(TextureTest, AHugePictureCostsItsTextureAndOneCopyAtMost) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory and quarantine distort the figure";
#endif
    ASSERT_EQ(GxLargestTextureSize().width, 8192u);
    constexpr u32 kSide = 8192;
    PutPng("big.png", kSide, kSide, std::vector<uint32_t>(size_t(kSide) * kSide, 0xFF336699u));
    PutPng("odd.png", 4097, 4097, std::vector<uint32_t>(size_t(4097) * 4097, 0xFF336699u));
    ASSERT_TRUE(Convert("-size 8192x8192 xc:'#336699' -quality 90 big.jpg"));
    // Run-length TGA (top-left origin, 8 alpha bits): runs of 128 pixels.
    std::vector<unsigned char> tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0x20, 32, 0x28};
    for (size_t n = 0; n < size_t(kSide) * kSide / 128; ++n) tga.insert(tga.end(), {0xFF, 0x99, 0x66, 0x33, 0xFF});
    Put("big.tga", tga);
    // DXT1: one colour in every 4 x 4 block.
    std::vector<unsigned char> dds(128 + size_t(kSide / 4) * (kSide / 4) * 8, 0);
    const u32 header[] = {0x20534444u, 124, 0x1007, kSide, kSide};
    std::memcpy(dds.data(), header, sizeof header);
    const u32 format[] = {32, 4, 0x31545844u};  // size, compressed, "DXT1"
    std::memcpy(dds.data() + 76, format, sizeof format);
    for (size_t at = 128; at < dds.size(); at += 8) dds[at] = 0x2D, dds[at + 1] = 0x33;
    Put("big.dds", dds);
    const struct {
        const char* file;
        Reader reader;
    } rows[] = {
        {"big.png", Reader::Texture},  {"big.jpg", Reader::Texture}, {"big.tga", Reader::Texture},
        {"big.dds", Reader::Texture},  {"big.png", Reader::MipChain}, {"odd.png", Reader::Stretched},
        {"big.png", Reader::Font},     {"big.png", Reader::Flex},    {"big.png", Reader::Surface},
        {"big.png", Reader::Blend},
    };
    for (const auto& r : rows) {
        const GxString name = GxFromUtf8(r.file);
        SCOPED_TRACE(std::string(r.file) + " as reader " + std::to_string(int(r.reader)));
        // Memory the last row freed but the heap kept (a tiled texture's
        // small tiles) goes back first, else this row could reuse it unseen.
        malloc_trim(0);
        {
            std::ofstream reset("/proc/self/clear_refs");
            reset << "5";
        }
        const Resident before = ReadResident();
        Readers load;
        const bool ok = load.Load(r.reader, name);
        const Resident after = ReadResident();
        ASSERT_TRUE(ok);
        ASSERT_GE(before.peak, before.now) << "the peak was reset";
        const double above = double(after.peak - before.now) / 1e6;
        std::printf("[ figure   ] %s, reader %d: peak %.0f MB above the %.0f MB before\n", r.file, int(r.reader), above,
                    double(before.now) / 1e6);
        EXPECT_LE(above, 600.0);
        if (load.texture.HasTexture()) {
            EXPECT_EQ(load.texture.GetPixel(kSide - 1, kSide - 1) >> 24, 0xFFu) << "the last row is there";
        }
    }
}

TEST_F(TextureTest, MultiFileBlend) {
    // Base 3 × 2, the next picture 2 × 3: only the 2 × 2 both hold blends.
    PutPng("base.png", 3, 2, {0x80FF0000u, 0x00000000u, 0xFF00FF00u, 0x40102030u, 0xFFFFFFFFu, 0xFF0000FFu});
    PutPng("over.png", 2, 3, {0x800000FFu, 0x00000000u, 0xFF0000FFu, 0x00FFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu});
    Put("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    qtest::LogCapture log;
    GxTexture t;
    ASSERT_TRUE(t.CreateFromFileMultiBlend(u"Blend", {u"base.png", u"broken.png", u"over.png"}, 0, 1));
    EXPECT_TRUE(log.Contains("Error/Texture CreateFromFileMultiBlend Failed(Name:\"broken.png\")\n")) << log.Text();
    EXPECT_EQ(t.GetName(), u"blend");
    EXPECT_EQ(t.GetImageWidth(), 3u);
    EXPECT_EQ(t.GetImageHeight(), 2u);
    // d = 127·128 + 127·128 + 128·128 = 48896; R = 127·255·128 / d; B = (127·255·128 + 255·128·128) / d.
    EXPECT_EQ(t.GetPixel(0, 0), 0xBF5400AAu);
    EXPECT_EQ(t.GetPixel(1, 0), 0u) << "both fully transparent";
    EXPECT_EQ(t.GetPixel(0, 1), 0xFF0000FFu) << "an opaque new pixel replaces a part-transparent one";
    EXPECT_EQ(t.GetPixel(1, 1), 0xFFFFFFFFu) << "a transparent new pixel leaves the base";
    EXPECT_EQ(t.GetPixel(2, 0), 0xFF00FF00u) << "outside the second picture: the base";

    GxTexture t16;
    ASSERT_TRUE(t16.CreateFromFileMultiBlend(u"b16", {u"base.png"}, kGxFmtA4R4G4B4, 1));
    EXPECT_EQ(t16.GetPixel(2, 0), 0xFF00FF00u);
    EXPECT_EQ(t16.GetPixel(0, 1), 0x44112233u);

    log.Clear();
    GxTexture bad;
    EXPECT_FALSE(bad.CreateFromFileMultiBlend(u"bad", {u"broken.png", u"base.png"}, 0, 1));
    EXPECT_FALSE(bad.CreateFromFileMultiBlend(u"bad", {}, 0, 1));
    EXPECT_FALSE(bad.HasTexture());
}

TEST_F(TextureTest, PngWriterAndDecoder) {
    const u8 two[8] = {0, 0, 255, 255, 255, 0, 0, 128};  // red opaque, blue half transparent
    ASSERT_TRUE(GxWritePNGFile(u"two.png", 2, 1, two));
    std::vector<uint32_t> back = Decoded("two.png");
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0], 0xFFFF0000u);
    EXPECT_EQ(back[1], 0x800000FFu);
    ASSERT_TRUE(GxWritePNGFile(u"two.png", 1, 1, two)) << "written over the old file";
    EXPECT_EQ(Decoded("two.png").size(), 1u);
    EXPECT_FALSE(GxWritePNGFile(u"x.png", 0, 1, two));
    EXPECT_FALSE(GxWritePNGFile(u"x.png", -1, 1, two));
    EXPECT_FALSE(GxWritePNGFile(u"x.png", 70000, 70000, two)) << "refused before any size is multiplied out";
    EXPECT_FALSE(GxWritePNGFile(u"no/such/dir/x.png", 1, 1, two));

    std::vector<unsigned char> bytes = Bytes("two.png");
    u32 w = 9, h = 9;
    u8* px = GxDecodePNG(bytes.data(), u32(bytes.size()), &w, &h);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(h, 1u);
    EXPECT_EQ(px[2], 255);
    EXPECT_EQ(px[3], 255);
    GxFreeDecodedPNG(px);
    GxFreeDecodedPNG(nullptr);
    bytes[0] = 'X';
    w = h = 9;
    EXPECT_EQ(GxDecodePNG(bytes.data(), u32(bytes.size()), &w, &h), nullptr);
    EXPECT_EQ(w, 0u);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(GxDecodePNG(nullptr, 10, &w, &h), nullptr);

    // Grey with alpha comes out as four bytes a pixel, grey spread to RGB.
    PutPng("rgba.png", 2, 1, {0x80404040u, 0xFFC0C0C0u});
    ASSERT_TRUE(Convert("rgba.png -define png:color-type=4 grey.png"));
    std::vector<unsigned char> grey = Bytes("grey.png");
    ASSERT_GT(grey.size(), 26u);
    ASSERT_EQ(grey[25], 4) << "the reference tool wrote grey with alpha";
    px = GxDecodePNG(grey.data(), u32(grey.size()), &w, &h);
    ASSERT_NE(px, nullptr);
    ASSERT_EQ(w, 2u);
    const u8 expected[8] = {0x40, 0x40, 0x40, 0x80, 0xC0, 0xC0, 0xC0, 0xFF};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(px[i], expected[i]) << i;
    GxFreeDecodedPNG(px);
}

} // namespace
