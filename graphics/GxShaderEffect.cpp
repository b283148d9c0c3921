#include "graphics/GxShaderEffect.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxShaderEffectPool.h"
#include "graphics/GxShaderInclude.h"
#include "io/GxFileSystem.h"
#include "io/GxTextFile.h"

#include <atomic>
#include <cmath>

namespace {

const GxChar* const kEngineParameterNames[GxShaderEffect::kEngineParameterCount] = {
    u"MatWorld",       u"MatInvWorld",    u"MatViewProj",     u"MatWorldViewProj", u"MatBones",
    u"CameraPos",      u"CameraDir",      u"LocalCenter",     u"LocalTime",        u"GlobalTime",
    u"FogParam",       u"FogColor",       u"GroundToSkyDir",  u"SkyColor",         u"GroundColor",
    u"DirLightDir",    u"DirLightColor",  u"PointLightPos",   u"PointLightColor",  u"SpotLightPos",
    u"SpotLightDir",   u"SpotLightColor", u"UVChannel",       u"MaterialAlpha",    u"MaterialDiffuse",
    u"MaterialSpecular", u"MaterialAmbient", u"MaterialEmissive", u"MaterialPower", u"MaterialOffsetU",
    u"MaterialOffsetV", u"PatternIndex",
};

std::atomic<bool> g_PreferSource{true};

constexpr u32 kResultFail = 0x80004005u;

// An annotation's value as the effect framework's GetInt gives it: numbers
// (bool, int, float) truncated; false for strings and missing ones.
bool AnnotationInt(const std::vector<pimage::effect_annotation>& list, const char* name, s32* out) {
    for (const pimage::effect_annotation& a : list) {
        if (a.name != name) continue;
        if (!a.has_number || !std::isfinite(a.number)) return false;
        *out = a.number >= 2147483647.0 ? 2147483647 : a.number <= -2147483648.0 ? INT32_MIN : s32(a.number);
        return true;
    }
    return false;
}

} // namespace

const GxChar* GxShaderEffect::GetEngineParameterName(u32 row) {
    return row < kEngineParameterCount ? kEngineParameterNames[row] : nullptr;
}

void GxShaderEffect::SetPreferSource(bool prefer) { g_PreferSource = prefer; }
bool GxShaderEffect::GetPreferSource() { return g_PreferSource; }

GxShaderEffect::GxShaderEffect() = default;

GxShaderEffect::~GxShaderEffect() { ReleaseAll(); }

void GxShaderEffect::Empty() {
    for (const pimage::effect_parameter* p : m_Shared) m_Pool->Unshare(p);
    m_Shared.clear();
    m_Pool.reset();
    m_pEffect.reset();
    m_Loaded = false;
    m_Techniques.clear();
    m_Parameters.clear();
    for (GxShaderHandle& h : m_EngineParameters) h = nullptr;
}

void GxShaderEffect::Release() {
    GxMutexScopedLock lock(m_Mutex);
    if (!DropRegisteredReference()) return;
    Empty();
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
    // Out of the registry, it hears of no reset any more.
    m_DeviceLost = false;
}

// Nothing of an effect is compiled, so it holds no device memory to free or
// make again: its declarations, techniques and handles stay as they are and
// nothing is read again. It only must not be drawn with until the reset.
void GxShaderEffect::OnLost() {
    GxMutexScopedLock lock(m_Mutex);
    m_DeviceLost = true;
}

void GxShaderEffect::OnReset() {
    GxMutexScopedLock lock(m_Mutex);
    m_DeviceLost = false;
}

bool GxShaderEffect::IsDeviceLost() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_DeviceLost;
}

bool GxShaderEffect::Create(const GxChar* name) {
    ReleaseAll();
    GxMutexScopedLock lock(m_Mutex);
    m_Loaded = false;
    m_ObjectType = OBJTYPE_SHADEREFFECT;
    SetName(name ? name : u"");
    m_Loaded = CreateFromFile(m_Name.c_str(), GetPreferSource());
    RegisterCreated();
    return m_Loaded;
}

bool GxShaderEffect::Reload() {
    GxMutexScopedLock lock(m_Mutex);
    Empty();
    m_Loaded = CreateFromFile(m_Name.c_str(), GetPreferSource());
    return m_Loaded;
}

bool GxShaderEffect::CreateFromFile(const GxChar* name, bool preferSource) {
    const GxString base = name ? GxString(name) : GxString();
    const GxString sourcePath = GxChangeFileExtension(base, u".fx");
    const GxString compiledPath = GxChangeFileExtension(base, u".fxbin");
    // With neither file present the source path is the one tried and named.
    GxString path = sourcePath;
    if (GxFileExists(compiledPath) && !(preferSource && GxFileExists(sourcePath))) path = compiledPath;
    const bool fromSource = path == sourcePath;
    m_LoadedPath = path;
    m_CompileFlags = fromSource ? kCompileFromSource : 0;

    GxShaderInclude include(GxGetDirectoryName(path));
    GxBinBuffer bytes;
    // A compiled file is refused unread; a source is text, held to a text
    // file's size.
    if (fromSource) GxLoadFile(&bytes, path, false, false, kGxTextFileMaxSize);
    auto effect = std::make_unique<pimage::effect>();
    std::string errors;
    u32 result = kResultFail;
    if (!fromSource) {
        // There is no compiled effect form of our own to load.
        result = kGxResultInvalidData;
    } else if (bytes.GetSize() > 0 && pimage::parse_effect(reinterpret_cast<const char*>(bytes.GetData()),
                                                          bytes.GetSize(), &include, *effect, errors)) {
        result = 0;
    }
    // Made in the current pool: its shared parameters become the pool's.
    std::shared_ptr<GxShaderEffectPool> pool = result == 0 ? GxGetEffectPool() : nullptr;
    std::vector<GxShaderHandle> handles;
    std::vector<const pimage::effect_parameter*> taken;
    if (result == 0) {
        for (const pimage::effect_parameter& p : effect->parameters) {
            const pimage::effect_parameter* handle = &p;
            if (pool && (p.flags & pimage::effect_flag_shared)) {
                handle = pool->Share(p, &errors);
                if (!handle) {
                    result = kResultFail;
                    break;
                }
                taken.push_back(handle);
            }
            handles.push_back(handle);
        }
        if (result != 0)
            for (const pimage::effect_parameter* t : taken) pool->Unshare(t);
    }
    if (result != 0) {
        GxWriteErrorLog(u"Error/GxShaderEffect CreateFromFile Failed(Name:\"%s\" %s)\n", path,
                        GxGetD3DErrorText(result));
        if (!errors.empty()) GxWriteErrorLog(u"%s\n", GxFromAnsi(errors));
        return false;
    }
    m_pEffect = std::move(effect);
    m_Pool = std::move(pool);
    m_Shared = std::move(taken);
    BuildTechniqueList(path);
    BindParameters(handles);
    return m_pEffect != nullptr;
}

void GxShaderEffect::BuildTechniqueList(const GxString& effectPath) {
    m_Techniques.clear();
    std::vector<GxString> lines;
    const GxString listPath = GxChangeFileExtension(effectPath, u".tcl");
    if (GxFileExists(listPath)) ReadTextFileLines(&lines, listPath, true);
    if (!lines.empty()) {
        for (const GxString& line : lines) {
            const GxStringA wanted = GxToAnsi(line);
            const pimage::effect_technique* found = nullptr;
            for (const pimage::effect_technique& t : m_pEffect->techniques)
                if (t.name == wanted) {
                    found = &t;
                    break;
                }
            AddTechnique(found);
        }
        return;
    }
    for (const pimage::effect_technique& t : m_pEffect->techniques)
        if (t.valid) AddTechnique(&t);
}

void GxShaderEffect::AddTechnique(const pimage::effect_technique* t) {
    if (!t) return;
    GxShaderTechnique rec;
    rec.m_Handle = t;
    rec.m_Name = GxFromAnsi(t->name);
    rec.m_Passes = u32(t->passes.size());
    rec.m_Annotations = u32(t->annotations.size());
    AnnotationInt(t->annotations, "MaxPointLight", &rec.m_MaxPointLight);
    AnnotationInt(t->annotations, "MaxSpotLight", &rec.m_MaxSpotLight);
    AnnotationInt(t->annotations, "MaxMultiRT", &rec.m_MaxMultiRT);
    AnnotationInt(t->annotations, "OptionFlags", &rec.m_OptionFlags);
    m_Techniques.push_back(std::move(rec));
}

void GxShaderEffect::BindParameters(const std::vector<GxShaderHandle>& handles) {
    m_Parameters.clear();
    m_Parameters.reserve(m_pEffect->parameters.size());
    for (GxShaderHandle& h : m_EngineParameters) h = nullptr;
    for (size_t i = 0; i < m_pEffect->parameters.size(); ++i) {
        const pimage::effect_parameter& p = m_pEffect->parameters[i];
        GxShaderParameter rec;
        rec.m_Handle = handles[i];
        rec.m_Name = GxFromAnsi(p.name);
        rec.m_Semantic = GxFromAnsi(p.semantic);
        rec.m_Class = u32(p.cls);
        rec.m_Type = u32(p.type);
        rec.m_Rows = p.rows;
        rec.m_Columns = p.columns;
        rec.m_Elements = p.elements;
        rec.m_Annotations = u32(p.annotations.size());
        rec.m_StructMembers = p.struct_members;
        rec.m_Flags = p.flags;
        rec.m_Bytes = p.bytes;
        for (u32 row = 0; row < kEngineParameterCount; ++row)
            if (GxEqualsNoCase(rec.m_Name, kEngineParameterNames[row])) m_EngineParameters[row] = rec.m_Handle;
        m_Parameters.push_back(std::move(rec));
    }
}

GxShaderHandle GxShaderEffect::GetEngineParameter(u32 row) const {
    return row < kEngineParameterCount ? m_EngineParameters[row] : nullptr;
}
