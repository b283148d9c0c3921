// The resource base and registry, the lights' stored form, and the result
// and format texts.
#include "graphics_fixture.h"

#include "graphics/GxCamera.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxLightTable.h"
#include "graphics/GxSurface.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "tools/builders/ContentBytes.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

using namespace gxtest;

namespace {

// A resource that counts its own releases at 0 and registers like a
// derived class does.
class CountingResource : public GxD3DResourceBase {
public:
    ~CountingResource() override { ReleaseAll(); }
    void Make(u32 size) {
        GxMutexScopedLock lock(m_Mutex);
        m_Size = size;
        m_ObjectType = OBJTYPE_SURFACE;
        GxD3DResourceManage::GetInstance().Register(this);
        AddRef();
    }
    void Release() override {
        GxMutexScopedLock lock(m_Mutex);
        if (m_RefCount == 0) return;
        if (--m_RefCount == 0) {
            ++freed;
            m_ObjectType = OBJTYPE_NONE;
            GxD3DResourceManage::GetInstance().Unregister(this);
        }
    }
    u32 GetMemorySize() override {
        GxMutexScopedLock lock(m_Mutex);
        return m_Size;
    }
    int freed = 0;

private:
    u32 m_Size = 0;
};

TEST(ResourceBase, CountsAndNames) {
    GxD3DResourceBase r;
    r.DecRef();
    EXPECT_EQ(r.GetRefCount(), 0u) << "DecRef on 0 stays 0";
    r.Release();
    EXPECT_EQ(r.GetRefCount(), 0u);
    r.AddRef();
    r.AddRef();
    r.DecRef();
    EXPECT_EQ(r.GetRefCount(), 1u);
    r.SetCreateFailed(true);
    r.Release();
    EXPECT_EQ(r.GetRefCount(), 0u);
    EXPECT_FALSE(r.IsCreateFailed()) << "the last release clears create-failed";
    r.SetName(u"BG/Title.PNG");
    EXPECT_EQ(r.GetName(), u"bg/title.png");
    r.SetName(u"ＡＢ_Ä-Z");
    EXPECT_EQ(r.GetName(), u"ＡＢ_Ä-z") << "only ASCII letters are lowered";
    EXPECT_EQ(GxGetObjectTypeName(OBJTYPE_FLEXTEXTURE), std::u16string(u"OBJTYPE_FLEXTEXTURE"));
    EXPECT_EQ(GxGetObjectTypeName(OBJTYPE_IMAGEDATA), std::u16string(u"OBJTYPE_IMAGEDATA"));
    EXPECT_EQ(GxGetObjectTypeName(99), std::u16string(u""));
}

TEST(ResourceRegistry, EntryFromCreationToTheLastRelease) {
    GxD3DResourceManage& reg = GxD3DResourceManage::GetInstance();
    CountingResource r;
    r.Make(100);
    r.AddRef();
    EXPECT_TRUE(reg.IsRegistered(&r));
    r.Release();
    EXPECT_TRUE(reg.IsRegistered(&r)) << "2 -> 1 keeps the entry";
    EXPECT_EQ(r.freed, 0);
    EXPECT_EQ(reg.GetTotalMemorySize(), 100u);
    r.Release();
    EXPECT_FALSE(reg.IsRegistered(&r));
    EXPECT_EQ(r.freed, 1);
    EXPECT_EQ(reg.GetTotalMemorySize(), 0u);
    EXPECT_FALSE(reg.Unregister(&r)) << "not entered any more";
    r.Make(5);
    r.AddRef();
    r.AddRef();
    r.ReleaseAll();
    EXPECT_EQ(r.GetRefCount(), 0u);
    EXPECT_EQ(r.freed, 2);
}

TEST(ResourceRegistry, ExitReportAndLateUnregister) {
    GxD3DResourceManage& reg = GxD3DResourceManage::GetInstance();
    qtest::LogCapture log;
    GxSetSkipSlightError(false);
    CountingResource leaked;
    leaked.Make(1);
    leaked.SetName(u"Leaked.PNG");
    reg.ReportAndShutDown();
    ASSERT_EQ(log.Lines().size(), 1u);
    const std::string& line = log.Lines()[0];
    EXPECT_EQ(line.rfind("Warning/未解放のまま終了したリソースがあります 0x", 0), 0u) << line;
    EXPECT_NE(line.find(" [OBJTYPE_SURFACE:leaked.png]\n"), std::string::npos) << line;
    EXPECT_EQ(reg.GetCount(), 0u);
    EXPECT_FALSE(reg.Unregister(&leaked)) << "after the report the registry is shut";
    leaked.Release();
    CountingResource late;
    late.Make(1);
    EXPECT_FALSE(reg.IsRegistered(&late)) << "nothing is entered any more";
    reg.Clear();
    late.Release();
}

TEST(ResourceRegistry, ReleasesOnWorkersWhileTheMainThreadSumsMemory) {
    // A worker releases (its resource's mutex, then the registry's) while the
    // main thread asks for the total: the two must never wait for each other.
    GxD3DResourceManage& reg = GxD3DResourceManage::GetInstance();
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        for (int i = 0; i < 2000 && !stop; ++i) {
            auto r = std::make_unique<CountingResource>();
            r->Make(4);
            r->Release();
        }
    });
    u64 sums = 0;
    for (int i = 0; i < 2000; ++i) sums += reg.GetTotalMemorySize();
    stop = true;
    worker.join();
    EXPECT_EQ(reg.GetTotalMemorySize(), 0u);
    EXPECT_LE(sums, 2000u * 4u);
}

class RegistryWithDevice : public GraphicsTest {};

TEST_F(RegistryWithDevice, MemorySizesOfSurfacesAndTheDefaultChain) {
    ASSERT_TRUE(Start());
    GxD3DResourceManage& reg = GxD3DResourceManage::GetInstance();
    const u32 chain = (4 + 4) * 640 * 480;
    EXPECT_EQ(reg.GetTotalMemorySize(), chain) << "the default chain with its depth-stencil";
    GxSurface plain, scratch, sysmem, rt;
    ASSERT_TRUE(plain.CreateSurface(u"p", 10, 10, kGxFmtA4R4G4B4));
    ASSERT_TRUE(scratch.CreateScratch(u"s", 10, 10, 0));
    ASSERT_TRUE(sysmem.CreateSystemMemory(u"m", 10, 10, 0));
    ASSERT_TRUE(rt.CreateRenderTarget(u"r", 10, 10, 0, 0, 0));
    EXPECT_EQ(plain.GetMemorySize(), 200u);
    EXPECT_EQ(scratch.GetMemorySize(), 0u);
    EXPECT_EQ(sysmem.GetMemorySize(), 0u);
    EXPECT_EQ(rt.GetMemorySize(), 400u);
    EXPECT_EQ(reg.GetTotalMemorySize(), chain + 600u);
    rt.Release();
    EXPECT_EQ(reg.GetTotalMemorySize(), chain + 200u);
}

TEST_F(RegistryWithDevice, SurfacesAcrossADeviceReset) {
    ASSERT_TRUE(Start());
    GxSurface rt, depth, plain, sysmem, scratch;
    ASSERT_TRUE(rt.CreateRenderTarget(u"rt", 16, 16, 0, 4, 1));
    EXPECT_EQ(rt.GetD3DSurface()->desc().multisample_type, 4u);
    ASSERT_TRUE(depth.CreateDepthStencil(u"ds", 16, 16, 0, 0, 0));
    EXPECT_EQ(depth.GetFormat(), kGxFmtD24S8) << "format 0: the depth-stencil format";
    ASSERT_TRUE(plain.CreateSurface(u"plain", 16, 16, 0));
    ASSERT_TRUE(sysmem.CreateSystemMemory(u"mem", 16, 16, 0));
    ASSERT_TRUE(scratch.CreateScratch(u"scr", 16, 16, 0));
    auto keepScratch = scratch.GetD3DSurface();
    prender::locked_rect lr;
    ASSERT_EQ(sysmem.GetD3DSurface()->lock_rect(nullptr, lr, 0), prender::result::ok);
    static_cast<uint32_t*>(lr.bits)[0] = 0xFFABCDEFu;
    sysmem.GetD3DSurface()->unlock_rect();

    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(rt.GetD3DSurface()->desc().multisample_type, 0u) << "made again without multisampling";
    EXPECT_NE(depth.GetD3DSurface(), nullptr);
    EXPECT_NE(plain.GetD3DSurface(), nullptr);
    EXPECT_EQ(sysmem.GetD3DSurface()->read_argb()[0], 0u) << "system memory made again, empty";
    EXPECT_EQ(scratch.GetD3DSurface(), keepScratch) << "scratch surfaces are kept";
}

TEST_F(RegistryWithDevice, SurfaceFailuresAndNarrowNames) {
    qtest::LogCapture log;
    GxSurface s;
    EXPECT_FALSE(s.CreateSurface(u"x", 8, 8, 0)) << "no device";
    EXPECT_TRUE(s.IsCreateFailed());
    EXPECT_TRUE(log.Lines().empty()) << "no message without a device";
    ASSERT_TRUE(Start());
    EXPECT_FALSE(s.CreateSurface(u"Big", 0, 8, 0));
    EXPECT_TRUE(log.Contains("Error/Surface CreateSurface Failed(Name:\"big\" Size:0,8 メソッドの呼び出しが無効です。"))
        << log.Text();
    EXPECT_EQ(s.GetObjectType(), u32(OBJTYPE_NONE));
    EXPECT_FALSE(GxD3DResourceManage::GetInstance().IsRegistered(&s));
    ASSERT_TRUE(s.CreateScratchA("\x83\x65\x83\x58\x83\x67", 4, 4, 0));  // "テスト" in CP932
    EXPECT_EQ(s.GetName(), u"テスト");
    EXPECT_EQ(s.GetAskedWidth(), 4u);
    EXPECT_EQ(s.GetRefCount(), 1u);
}

// --- lights ----------------------------------------------------------------

std::vector<u8> WriteBinary(const std::function<void(GxContentWriterBase&)>& body) {
    return qtest::WriteContentBytes(false, "LIGHT", 1, body);
}

TEST(Lights, RoundTripKeepsStoredFieldsOnly) {
    GxLight in;
    in.m_Visible = true;
    in.m_Type = 2;
    in.m_LightSphere_Pos = GxVector3(1, 2, 3);
    in.m_LightSphere_Radius = 4.5f;
    in.m_Dir = GxVector3(0, -1, 0);
    in.m_LightColor0 = GxFColor(0.1f, 0.2f, 0.3f, 0.4f);
    in.m_LightColor1 = GxFColor(0.5f, 0.6f, 0.7f, 0.8f);
    in.m_ConeAngle = 30.0f;
    in.m_Intensity = 2.0f;
    in.m_Reserved0 = 77;
    std::vector<u8> bytes = WriteBinary([&](GxContentWriterBase& w) { EXPECT_TRUE(in.Write(w)); });
    GxContentBinaryReader r(bytes.data(), u32(bytes.size()), false);
    ASSERT_TRUE(r.ReadHeader("BLIGHT", nullptr));
    GxLight out;
    out.m_Reserved0 = 5;
    ASSERT_TRUE(out.Read(r));
    EXPECT_TRUE(out.m_Visible);
    EXPECT_EQ(out.m_Type, 2);
    EXPECT_EQ(out.m_LightSphere_Pos, GxVector3(1, 2, 3));
    EXPECT_EQ(out.m_LightSphere_Radius, 4.5f);
    EXPECT_EQ(out.m_Dir, GxVector3(0, -1, 0));
    EXPECT_EQ(out.m_LightColor0, in.m_LightColor0);
    EXPECT_EQ(out.m_LightColor1, in.m_LightColor1);
    EXPECT_EQ(out.m_ConeAngle, 30.0f);
    EXPECT_EQ(out.m_Intensity, 2.0f);
    EXPECT_EQ(out.m_Reserved0, 5u) << "not stored, so left as it was";
}

TEST(Lights, TableCountsOutsideTheArraysAreLimitedAndReported) {
    struct Row {
        s32 points, spots;
        s32 readPoints, readSpots;
        bool ok;
    };
    const Row rows[] = {{0, 0, 0, 0, true}, {3, 1, 3, 1, true}, {256, 0, 256, 0, true}, {300, 2, 256, 2, false},
                        {-5, 1, 0, 1, false}};
    for (const Row& r : rows) {
        auto table = std::make_unique<GxLightTable>();
        table->m_PointLightCount = r.points;
        table->m_SpotLightCount = r.spots;
        table->m_PointLights[1].m_Type = 7;
        qtest::LogCapture log;
        bool written = false;
        std::vector<u8> bytes = WriteBinary([&](GxContentWriterBase& w) { written = table->Write(w); });
        EXPECT_EQ(written, r.ok) << r.points;
        EXPECT_EQ(log.Contains("Error/GxLightTable Write Failed"), !r.ok) << log.Text();
        GxContentBinaryReader reader(bytes.data(), u32(bytes.size()), false);
        ASSERT_TRUE(reader.ReadHeader("BLIGHT", nullptr));
        auto back = std::make_unique<GxLightTable>();
        EXPECT_TRUE(back->Read(reader)) << "what was written is within the arrays";
        EXPECT_EQ(back->m_PointLightCount, r.readPoints);
        EXPECT_EQ(back->m_SpotLightCount, r.readSpots);
        if (r.readPoints > 1) {
            EXPECT_EQ(back->m_PointLights[1].m_Type, 7);
        }
    }
}

TEST(Lights, StoredCountBeyondTheArraysIsRefusedOnRead) {
    // A stream that claims 1000 point lights but holds none.
    std::vector<u8> bytes = WriteBinary([](GxContentWriterBase& w) {
        w.Write("m_PointLightCount", s32(1000));
        w.Write("m_SpotLightCount", s32(-3));
        w.WriteListBegin("m_PointLights", "", 0);
        w.WriteListEnd();
        w.WriteListBegin("m_SpotLights", "", 0);
        w.WriteListEnd();
    });
    GxContentBinaryReader reader(bytes.data(), u32(bytes.size()), false);
    ASSERT_TRUE(reader.ReadHeader("BLIGHT", nullptr));
    qtest::LogCapture log;
    auto table = std::make_unique<GxLightTable>();
    EXPECT_FALSE(table->Read(reader));
    EXPECT_LE(table->m_PointLightCount, GxLightTable::kMaxLights);
    EXPECT_EQ(table->m_SpotLightCount, 0);
    EXPECT_TRUE(log.Contains("Error/GxLightTable Read Failed(PointLightCount:1000 Max:256)\n")) << log.Text();
    EXPECT_TRUE(log.Contains("Error/GxLightTable Read Failed(SpotLightCount:-3 Max:256)\n")) << log.Text();
}

TEST(Lights, DefaultLights) {
    const GxFColor c(0.5f, 0.5f, 0.5f, 1.0f);
    const GxVector3 d(3, 0, 4);
    GxSetDirectionalLightDefault(&c, &d);
    EXPECT_TRUE(GxGetDefaultLight(0).m_Visible);
    EXPECT_EQ(GxGetDefaultLight(0).m_Type, 2);
    EXPECT_FLOAT_EQ(GxGetDefaultLight(0).m_Dir.x, 0.6f);
    EXPECT_FLOAT_EQ(GxGetDefaultLight(0).m_Dir.z, 0.8f);
    GxSetDefaultLights();
    EXPECT_EQ(GxGetDefaultLight(0).m_Dir, GxVector3(0, -1, 0));
    EXPECT_EQ(GxGetDefaultLight(1).m_Type, 7);
    EXPECT_EQ(GxGetDefaultLight(1).m_Dir, GxVector3(0, 1, 0));
    EXPECT_EQ(GxGetDefaultLight(1).m_LightColor0, GxFColor(0.3f, 0.3f, 0.3f, 0.3f));
    EXPECT_EQ(GxGetDefaultLight(1).m_LightColor1, GxFColor(0.2f, 0.2f, 0.2f, 0.2f));
    EXPECT_FLOAT_EQ(GxGetCamera().m_FieldOfView, 40.0f);
    EXPECT_FLOAT_EQ(GxGetCamera().m_FarPlane, 10000.0f);
}

// --- texts -----------------------------------------------------------------

TEST(Texts, ResultAndFormatNames) {
    const std::pair<u32, const char16_t*> errors[] = {
        {0, u"エラーは発生していません"},
        {0x8876086Cu, u"メソッドの呼び出しが無効です。例えばメソッドのパラメータが有効なポインタではありません。"},
        {0x88760B5Cu, u"最後の項目が削除できません。"},
        {0x1234u, u"未知のエラーです。(code:0x1234)"},
    };
    for (auto [code, text] : errors) EXPECT_EQ(GxGetD3DErrorText(code), text) << std::hex << code;
    const std::pair<u32, const char16_t*> formats[] = {
        {0, u"D3DFMT_UNKNOWN"},        {21, u"D3DFMT_A8R8G8B8"},  {75, u"D3DFMT_D24S8"},
        {0x31545844u, u"D3DFMT_DXT1"}, {0x47424752u, u"D3DFMT_R8G8_B8G8"}, {116, u"D3DFMT_A32B32G32R32F"},
        {999, u"ERROR"},
    };
    for (auto [f, name] : formats) EXPECT_EQ(GxGetFormatName(f), name) << f;
    const std::pair<u32, u32> sizes[] = {{28, 1}, {85, 1}, {23, 2}, {111, 2}, {21, 4}, {0x31545844u, 4},
                                         {999, 4}, {113, 8}, {115, 8}, {116, 16}};
    for (auto [f, bytes] : sizes) EXPECT_EQ(GxGetFormatBytesPerPixel(f), bytes) << f;
}

} // namespace
