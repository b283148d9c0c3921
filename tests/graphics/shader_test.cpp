// Shader effects: declarations read from effect source with nested
// includes, engine parameters bound by name whatever the case, technique
// lists with and without a ".tcl" file, the choice between source and
// compiled files, the factory's sharing, the effect pool's shared parameters
// and device loss and reset.
#include "texture_fixture.h"

#include "graphics/GxShaderEffectPool.h"
#include "graphics/GxShaderFactory.h"
#include "graphics/GxShaderInclude.h"

namespace {

using namespace gxtest;

const char* kEffect = R"(#include "common.fxh"
float4x4 matworld : WORLD;      // binds row 0 by its name
float4x4 View : MatWorld;       /* a semantic binds nothing */
shared float LocalTime;
static float hidden = 1;
row_major float3x4 Bones[2];
float4 PointLightPos[4] : POSITION < string UIName = "lights"; int count = 4; >;
texture Tex0 < string name = "a.png"; >;
sampler Samp0 = sampler_state { Texture = <Tex0>; MinFilter = Linear; };
struct VSOut { float4 pos : POSITION; float2 uv[2] : TEXCOORD0; };
VSOut Material;
VSOut vs_main(float4 p : POSITION) { VSOut o; o.pos = p; o.uv[0] = 0; o.uv[1] = 0; return o; }
float4 ps_main(VSOut i) : COLOR { return tex2D(Samp0, i.uv[0]); }
technique Basic < int MaxPointLight = 4; bool MaxSpotLight = true; float MaxMultiRT = 2.7; string OptionFlags = "x"; >
{
    pass P0 { VertexShader = compile vs_2_0 vs_main(); PixelShader = compile ps_2_0 ps_main(); }
    pass P1 < string note = "second"; > { }
}
technique Plain { pass { } }
)";

class Shaders : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        std::filesystem::create_directories(dir_.path() / "fx");
        Text("fx/basic.fx", kEffect);
        Text("fx/common.fxh", "#include \"inner.fxh\"\nfloat GlobalTime;\n");
        Text("fx/inner.fxh", "float4 FogColor : FOGCOLOR;\n");
    }
    void TearDown() override {
        GxShaderFactory::GetInstance().Clear();
        GxSetEffectPool(nullptr);
        FileTest::TearDown();
    }
    void Text(const std::string& name, const std::string& text) { qtest::WriteText(dir_.path() / name, text); }
    GxShaderFactory& F() { return GxShaderFactory::GetInstance(); }
};

TEST_F(Shaders, DeclarationsAndEngineParameters) {
    GxShaderEffect* e = F().Create(u"FX/Basic");
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->IsLoaded());
    EXPECT_EQ(e->GetName(), u"fx/basic");
    EXPECT_EQ(e->GetObjectType(), u32(OBJTYPE_SHADEREFFECT));
    EXPECT_EQ(e->GetCompileFlags(), GxShaderEffect::kCompileFromSource);
    struct Row {
        const char16_t* name;
        const char16_t* semantic;
        u32 cls, type, rows, columns, elements, annotations, members, flags, bytes;
    } rows[] = {
        {u"FogColor", u"FOGCOLOR", 1, 3, 1, 4, 0, 0, 0, 0, 16},
        {u"GlobalTime", u"", 0, 3, 1, 1, 0, 0, 0, 0, 4},
        {u"matworld", u"WORLD", 3, 3, 4, 4, 0, 0, 0, 0, 64},
        {u"View", u"MatWorld", 3, 3, 4, 4, 0, 0, 0, 0, 64},
        {u"LocalTime", u"", 0, 3, 1, 1, 0, 0, 0, 1, 4},
        {u"Bones", u"", 2, 3, 3, 4, 2, 0, 0, 0, 96},
        {u"PointLightPos", u"POSITION", 1, 3, 1, 4, 4, 2, 0, 0, 64},
        {u"Tex0", u"", 4, 5, 0, 0, 0, 1, 0, 0, 4},
        {u"Samp0", u"", 4, 10, 0, 0, 0, 0, 0, 0, 4},
        {u"Material", u"", 5, 0, 0, 0, 0, 0, 2, 0, 32},
    };
    const std::vector<GxShaderParameter>& params = e->GetParameters();
    ASSERT_EQ(params.size(), std::size(rows)) << "a static variable and the functions are no parameters";
    for (size_t i = 0; i < params.size(); ++i) {
        const Row& r = rows[i];
        const GxShaderParameter& p = params[i];
        SCOPED_TRACE(GxToUtf8(r.name));
        EXPECT_EQ(p.m_Name, r.name);
        EXPECT_EQ(p.m_Semantic, r.semantic);
        const u32 got[] = {p.m_Class, p.m_Type, p.m_Rows, p.m_Columns, p.m_Elements, p.m_Annotations,
                           p.m_StructMembers, p.m_Flags, p.m_Bytes};
        const u32 want[] = {r.cls, r.type, r.rows, r.columns, r.elements, r.annotations, r.members, r.flags, r.bytes};
        EXPECT_TRUE(std::equal(std::begin(got), std::end(got), std::begin(want)));
    }
    EXPECT_EQ(e->GetEngineParameter(0), params[2].m_Handle) << "MatWorld in lower case";
    EXPECT_EQ(e->GetEngineParameter(8), params[4].m_Handle);
    EXPECT_EQ(e->GetEngineParameter(9), params[1].m_Handle) << "declared after a nested include's end";
    EXPECT_EQ(e->GetEngineParameter(11), params[0].m_Handle) << "declared in the innermost include";
    EXPECT_EQ(e->GetEngineParameter(17), params[6].m_Handle);
    EXPECT_EQ(e->GetEngineParameter(1), nullptr);
    EXPECT_EQ(e->GetEngineParameter(32), nullptr);
    EXPECT_EQ(std::u16string(GxShaderEffect::GetEngineParameterName(31)), u"PatternIndex");

    const std::vector<GxShaderTechnique>& t = e->GetTechniques();
    ASSERT_EQ(t.size(), 2u);
    // Name, passes, annotations, lights, render targets and option flags (a
    // string annotation gives no integer).
    const auto counts = [](const GxShaderTechnique& x) {
        return std::vector<s64>{x.m_Passes, x.m_Annotations, x.m_MaxPointLight, x.m_MaxSpotLight, x.m_MaxMultiRT,
                                x.m_OptionFlags};
    };
    EXPECT_EQ(t[0].m_Name, u"Basic");
    EXPECT_EQ(counts(t[0]), (std::vector<s64>{2, 4, 4, 1, 2, 0}));
    EXPECT_EQ(t[1].m_Name, u"Plain");
    EXPECT_EQ(counts(t[1]), (std::vector<s64>{1, 0, 0, 0, 0, 0}));

    Text("fx/basic.tcl", "Plain\nMissing\nBasic\n");
    EXPECT_TRUE(F().ReloadAll());
    ASSERT_EQ(e->GetTechniques().size(), 2u) << "a .tcl line naming no technique adds nothing";
    EXPECT_EQ(e->GetTechniques()[0].m_Name, u"Plain");
    EXPECT_EQ(e->GetTechniques()[1].m_Name, u"Basic");
    F().Release(e);
}

TEST_F(Shaders, EachOpenIncludeKeepsItsBytes) {
    GxShaderInclude inc(u"fx/");
    const void *outer = nullptr, *inner = nullptr;
    u32 outerSize = 0, innerSize = 0;
    ASSERT_EQ(inc.Open(0, "common.fxh", nullptr, &outer, &outerSize), GxShaderInclude::kOk);
    const std::string before(static_cast<const char*>(outer), outerSize);
    ASSERT_EQ(inc.Open(0, "inner.fxh", nullptr, &inner, &innerSize), GxShaderInclude::kOk);
    EXPECT_EQ(std::string(static_cast<const char*>(outer), outerSize), before) << "the outer file is still readable";
    EXPECT_EQ(std::string(static_cast<const char*>(inner), innerSize), "float4 FogColor : FOGCOLOR;\n");
    EXPECT_EQ(inc.GetOpenCount(), 2u);
    inc.Close(inner);
    EXPECT_EQ(std::string(static_cast<const char*>(outer), outerSize), before);
    inc.Close(outer);
    EXPECT_EQ(inc.GetOpenCount(), 0u);
    const void* none = &inc;
    u32 n = 7;
    EXPECT_EQ(inc.Open(0, "absent.fxh", nullptr, &none, &n), GxShaderInclude::kFail);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(n, 0u);
}

TEST_F(Shaders, SourceCompiledOrNeither) {
    Text("fx/both.fx", "float a;\ntechnique T { pass {} }\n");
    Text("fx/both.fxbin", "compiled");
    Text("fx/only.fxbin", "compiled");
    Text("fx/broken.fx", "float a\ntechnique T { pass {} }\n");
    Text("fx/deep.fx", "#include \"deep.fx\"\n");
    // Sources larger than any text file are refused unread, an effect's own
    // and what it includes (sparse: no disk is used).
    Text("fx/huge.fx", "");
    std::filesystem::resize_file(dir_.path() / "fx/huge.fx", 3ull << 30);
    Text("fx/huge.fxh", "");
    std::filesystem::resize_file(dir_.path() / "fx/huge.fxh", 3ull << 30);
    Text("fx/outer.fx", "#include \"huge.fxh\"\nfloat a;\n");
    struct Row {
        const char16_t* name;
        bool loaded;
        u32 flags;
        const char* line;
    } rows[] = {
        {u"fx/both", true, 2, nullptr},
        {u"fx/only", false, 0, "Error/GxShaderEffect CreateFromFile Failed(Name:\"fx/only.fxbin\" データが無効です。)\n"},
        {u"fx/none", false, 2, "Error/GxShaderEffect CreateFromFile Failed(Name:\"fx/none.fx\""},
        {u"fx/broken", false, 2, "fx/broken.fx"},
        {u"fx/broken", false, 2, "(2): error: expected ','"},
        {u"fx/deep", false, 2, "#include nested too deeply"},
        {u"fx/huge", false, 2, "File too large(3221225472 bytes, at most 16777216):fx/huge.fx"},
        {u"fx/outer", false, 2, "File too large(3221225472 bytes, at most 16777216):fx/huge.fxh"},
    };
    for (const Row& r : rows) {
        qtest::LogCapture log;
        GxShaderEffect e;
        EXPECT_EQ(e.Create(r.name), r.loaded) << GxToUtf8(r.name);
        EXPECT_EQ(e.GetCompileFlags(), r.flags) << GxToUtf8(r.name);
        EXPECT_EQ(e.GetRefCount(), 1u) << "held and registered whether it loaded or not";
        if (r.line) {
            EXPECT_TRUE(log.Contains(r.line)) << log.Text();
        }
    }
    GxShaderEffect::SetPreferSource(false);
    GxShaderEffect e;
    EXPECT_FALSE(e.Create(u"fx/both")) << "without the preference the compiled file is taken, and refused";
    GxShaderEffect::SetPreferSource(true);
}

TEST_F(Shaders, TheFactorySharesAndReports) {
    GxShaderEffect* a = F().Create(u"fx/basic");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(F().CreateA("FX/BASIC"), a);
    EXPECT_EQ(a->GetRefCount(), 2u);
    EXPECT_EQ(F().FindA("fx/Basic"), a);
    EXPECT_EQ(F().Create(u"fx/none"), nullptr) << "a failed effect is not kept";
    EXPECT_EQ(F().GetCount(), 1u);
    qtest::LogCapture log;
    F().Release(reinterpret_cast<GxShaderEffect*>(&log));
    EXPECT_TRUE(log.Contains("Warning/GxShaderFactory You tried to release the shader does not exist(0x")) << log.Text();
    F().ReleaseByNameA("fx/other");
    EXPECT_TRUE(log.Contains("Warning/GxShaderFactory You tried to release the shader does not exist(fx/other)\n"))
        << log.Text();
    F().Release(a);
    EXPECT_EQ(F().GetCount(), 1u);
    GxGraphics::FinalizeShader();
    EXPECT_TRUE(log.Contains("Warning/GxShaderFactory is not Released(count=1)\n")) << log.Text();
    EXPECT_EQ(F().GetCount(), 0u);
}

std::vector<std::string> g_Seen;
std::vector<GxShaderEffect*> g_Watched;
void Record(const char* when) {
    for (GxShaderEffect* e : g_Watched) g_Seen.push_back(std::string(when) + (e->IsDeviceLost() ? " lost" : " ready"));
}
void OnLostEvent(u32, u32) { Record("at loss"); }
void OnResetEvent(u32, u32) { Record("at reset"); }

std::vector<GxShaderHandle> Handles(const GxShaderEffect& e) {
    std::vector<GxShaderHandle> out;
    for (const GxShaderTechnique& t : e.GetTechniques()) out.push_back(t.m_Handle);
    for (const GxShaderParameter& p : e.GetParameters()) out.push_back(p.m_Handle);
    for (u32 row = 0; row < GxShaderEffect::kEngineParameterCount; ++row) out.push_back(e.GetEngineParameter(row));
    return out;
}

TEST_F(Shaders, OnePoolSharesParametersAndEveryEffectOutlivesADeviceReset) {
    ASSERT_TRUE(Start(Script({Mode(640, 480, 60)}), nullptr, OnLostEvent, OnResetEvent));
    EXPECT_EQ(GxGraphics::InitializeShader(), 0u);
    Text("fx/a.fx", "shared float GlobalTime;\nfloat MatWorld;\ntechnique T { pass {} }\n");
    Text("fx/b.fx", "shared float4 FogColor;\nshared float GlobalTime;\ntechnique U { pass {} }\n");
    Text("fx/c.fx", "shared float4 GlobalTime;\ntechnique V { pass {} }\n");
    GxShaderEffect* a = F().Create(u"fx/a");
    GxShaderEffect* b = F().Create(u"fx/b");
    ASSERT_TRUE(a && b);
    const std::shared_ptr<GxShaderEffectPool> pool = GxGetEffectPool();
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(a->GetEngineParameter(9), b->GetEngineParameter(9)) << "one GlobalTime for both";
    EXPECT_EQ(pool->GetSharedCount(), 2u);
    {
        qtest::LogCapture log;
        EXPECT_EQ(F().Create(u"fx/c"), nullptr) << "GlobalTime declared otherwise";
        EXPECT_TRUE(log.Contains("Error/GxShaderEffect CreateFromFile Failed(Name:\"fx/c.fx\"")) << log.Text();
        EXPECT_TRUE(log.Contains("shared parameter 'GlobalTime'")) << log.Text();
    }
    EXPECT_EQ(pool->GetSharedCount(), 2u);
    GxShaderEffect failed;
    EXPECT_FALSE(failed.Create(u"fx/none"));

    // A loss and reset of the device: every effect is lost between the two
    // and ready after, loaded as it was with the same handles, read from no
    // file again.
    const std::vector<GxShaderHandle> before = Handles(*a);
    std::filesystem::remove(dir_.path() / "fx" / "a.fx");
    g_Watched = {a, b, &failed};
    g_Seen.clear();
    Dev().make_lost(true);
    EXPECT_TRUE(GxGraphics::Present());
    EXPECT_EQ(g_Seen, (std::vector<std::string>{"at loss lost", "at loss lost", "at loss lost", "at reset ready",
                                                "at reset ready", "at reset ready"}));
    EXPECT_TRUE(a->IsLoaded());
    EXPECT_EQ(Handles(*a), before);
    EXPECT_EQ(a->GetTechniques()[0].m_Name, u"T");
    g_Watched.clear();

    // A released effect gives its shared parameters back.
    F().Release(a);
    EXPECT_EQ(pool->GetSharedCount(), 2u) << "b still declares both";
    GxShaderEffect own;
    ASSERT_TRUE(own.Create(u"fx/b"));
    EXPECT_EQ(own.GetEngineParameter(9), b->GetEngineParameter(9));
    F().Release(b);
    // The shutdown lets the pool go; an effect still held keeps it, and one
    // made afterwards shares nothing.
    GxGraphics::FinalizeShader();
    EXPECT_EQ(GxGetEffectPool(), nullptr);
    EXPECT_EQ(pool->GetSharedCount(), 2u);
    GxShaderEffect alone;
    ASSERT_TRUE(alone.Create(u"fx/b"));
    EXPECT_NE(alone.GetEngineParameter(9), own.GetEngineParameter(9));
    own.Release();
    EXPECT_EQ(pool->GetSharedCount(), 0u);
    alone.Release();
    failed.Release();
}

} // namespace
