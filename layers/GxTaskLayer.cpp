#include "layers/GxTaskLayer.h"

#include "base/GxLog.h"
#include "base/GxRuntimeRandom.h"
#include "base/GxStringUtil.h"
#include "graphics/GxDraw.h"
#include "graphics/GxDrawFilledRect.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "graphics/GxTextureMovie.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "io/GxFileSystem.h"
#include "layers/GxLayerMoviePlayer.h"
#include "layers/GxLayerServices.h"
#include "layers/GxLayerTextSeam.h"
#include "layers/GxLerp.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcProjectFactory.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskRenderManage.h"

#include <algorithm>
#include <cmath>

namespace {

GxVector3 Xyz(const GxVector4& v) { return GxVector3(v.x, v.y, v.z); }
GxVector3 Radians(const GxVector4& degrees) {
    return GxVector3(degrees.x * kGxDegToRad, degrees.y * kGxDegToRad, degrees.z * kGxDegToRad);
}
f32 ScreenWidth() { return f32(GxGraphics::GetConfig().m_ScreenWidth); }
f32 ScreenHeight() { return f32(GxGraphics::GetConfig().m_ScreenHeight); }
// A pivot as a fraction of a size; 0 for an empty size.
f32 Fraction(f32 v, f32 size) { return size != 0 ? v / size : 0.0f; }

// One shake step of a layer: u in -1..1, squared with its sign.
f32 ShakeFactor() {
    const f32 u = f32((GxRuntimeRandom::Next() / 32767.0 - 0.5) * 2);
    return (u > 0 ? 1.0f : u < 0 ? -1.0f : 0.0f) * u * u;
}

} // namespace

GxTaskLayer::GxTaskLayer(GxTaskBase* parent, const GxChar* name, const GxChar* localName)
    : GxTaskActor(parent, name, localName, 0) {
    TypeBits |= kGxTypeLayer;
    SetTaskTag(1);
    m_ActionPause = false;
}

GxTaskLayer::~GxTaskLayer() = default;

GxPoint2 GxTaskLayer::ContentSize() const {
    const GxLayerContent& c = m_Content[m_IndexPos];
    if (c.m_ContentType == kGxContentFlexImage && c.m_pTextureFlex)
        return {s32(c.m_pTextureFlex->GetImageWidth()), s32(c.m_pTextureFlex->GetImageHeight())};
    if (GxTextureMovie* m = c.GetMovieTexture()) return {s32(m->GetAskedWidth()), s32(m->GetAskedHeight())};
    if (GxTexture* t = c.GetImageTexture(); t && c.m_ContentType == kGxContentImage)
        return {s32(t->GetImageWidth()), s32(t->GetImageHeight())};
    return {};
}

s32 GxTaskLayer::GetContentWidth() { return ContentSize().x; }
s32 GxTaskLayer::GetContentHeight() { return ContentSize().y; }

void GxTaskLayer::Flip() {
    FinishActions();
    m_IndexPos = (m_IndexPos + 1) % 2;
}

void GxTaskLayer::ApplyTransit(s32 time) {
    if (time >= 1) {
        m_Transit.m_Transit = true;
        m_Transit.m_TransitTimeLeft = m_Transit.m_TransitTimeTotal = time;
    } else {
        m_Transit.m_Transit = false;
        m_Transit.m_TransitTimeLeft = m_Transit.m_TransitTimeTotal = 0;
        GetBackContent()->Clear();
    }
}

GxLayerContent& GxTaskLayer::BeginSetter() {
    Flip();
    GxLayerContent& c = *GetCurrentContent();
    c.Clear();
    return c;
}

bool GxTaskLayer::EndSetter(bool loaded, s32 time) {
    if (loaded) ApplyTransit(time);
    return loaded;
}

bool GxTaskLayer::StartTransit(s32 time) {
    BeginSetter();
    return EndSetter(true, time);
}

bool GxTaskLayer::SetProjectContent(GxStringView project, GxStringView imageSet, GxStringView motionGroup,
                                    GxStringView motion, s32 startFrame, s32 time) {
    Flip();
    GxNcProjectFactory& factory = GxNcProjectFactory::GetInstance();
    GxNcProjectEx* p = factory.Get(project, imageSet, true);
    GxLayerContent& c = *GetCurrentContent();
    c.Clear();
    if (!p) return false;
    GxString group(motionGroup);
    if (group.empty() && !p->m_MotionGroupList.empty()) group = p->m_MotionGroupList[0]->m_MotionGroupName;
    if (group.empty() || !p->FindMotionGroup(group)) {
        factory.Release(p);
        return false;
    }
    c.m_ContentType = kGxContentProject;
    c.m_pProject = p;
    c.m_FrameCount = startFrame;
    c.m_MotionGroupName = group;
    c.m_MotionName = GxString(motion);
    c.m_ContentFileName = GxString(project);
    c.m_ImageName = GxString(imageSet);
    ApplyTransit(time);
    return true;
}

bool GxTaskLayer::SetImageSetContent(GxStringView imageSet, GxStringView image, s32 pattern, s32 time) {
    Flip();
    GxString name(imageSet);
    GxNcCrammedImageSet* set = GxNcCrammedImageSetFactory::GetInstance().GetCrammedImageSet(name, true);
    GxLayerContent& c = *GetCurrentContent();
    c.Clear();
    if (!set) return false;
    c.m_ContentType = kGxContentImageSet;
    c.m_pImageSet = set;
    c.m_ContentFileName = name;
    c.m_ImageName = GxToLower(image);
    c.m_PatternIndex = pattern;
    c.m_pOriginImage = set->FindOriginImage(c.m_ImageName);
    const GxNcCrammedPattern* p = c.m_pOriginImage ? c.m_pOriginImage->GetPattern(pattern) : nullptr;
    if (p) {
        c.m_Width = p->m_Width;
        c.m_Height = p->m_Height;
    }
    ApplyTransit(time);
    return p != nullptr;
}

bool GxTaskLayer::SetFlexImageContent(GxStringView file, s32 time) {
    GxLayerContent& c = BeginSetter();
    c.m_pTextureFlex = std::make_unique<GxTextureFlex>();
    bool ok;
    if (GxFileExists(file) != kGxFileNotFound) {
        ok = c.m_pTextureFlex->CreateFromFile(GxString(file).c_str(), 0, 0);
        m_MissingImage = false;
    } else {
        GxCoreBase* core = GxCoreBase::GetCoreBase();
        const GxString error =
            core && core->GetSystemConfig() ? core->GetSystemConfig()->m_FileCGError : GxString(u"cg/error.png");
        ok = c.m_pTextureFlex->CreateFromFile(error.c_str(), 0, 0);
        m_MissingImage = true;
    }
    c.m_ContentType = kGxContentFlexImage;
    c.m_ContentFileName = GxString(file);
    c.m_Width = s32(c.m_pTextureFlex->GetImageWidth());
    c.m_Height = s32(c.m_pTextureFlex->GetImageHeight());
    return EndSetter(ok, time);
}

bool GxTaskLayer::SetColorContent(u32 argb, s32 time) {
    GxLayerContent& c = BeginSetter();
    c.m_ContentType = kGxContentColor;
    c.m_SolidColor = GxFColor::FromARGB(argb);
    c.m_Width = s32(ScreenWidth());
    c.m_Height = s32(ScreenHeight());
    return EndSetter(true, time);
}

bool GxTaskLayer::SetMovieContent(GxStringView file, s32 width, s32 height, s32 loopCount, f64 loopStart, s32 volume,
                                  bool play, s32 time) {
    GxLayerContent& c = BeginSetter();
    auto movie = std::make_unique<GxTextureMovie>();
    const bool made =
        movie->Create(u"", u32(std::max(width, 0)), u32(std::max(height, 0)), kGxFmtA8R8G8B8, 0xFF000000u, true);
    c.m_ContentType = kGxContentMovie;
    c.m_pTexture = std::move(movie);
    c.m_MyChannel = u32(m_IndexPos + 1);
    c.m_ContentFileName = GxString(file);
    c.m_Width = width;
    c.m_Height = height;
    c.m_LoopCount = loopCount - 1;
    c.m_LoopStartPos = loopStart;
    c.m_MovieAutoDisappear = play;
    return EndSetter(play ? c.StartMovie(volume, false) : made, time);
}

bool GxTaskLayer::SetRenderTextureContent(s32 width, s32 height, s32 time) {
    GxLayerContent& c = BeginSetter();
    auto t = std::make_unique<GxTexture>();
    const bool ok = t->CreateTexture(u"", u32(std::max(width, 0)), u32(std::max(height, 0)), kGxFmtA8R8G8B8, 1);
    c.m_ContentType = kGxContentRenderTexture;
    c.m_pTexture = std::move(t);
    c.m_Width = width;
    c.m_Height = height;
    return EndSetter(ok, time);
}

bool GxTaskLayer::SetImageContent(GxStringView file, s32 time) {
    GxLayerContent& c = BeginSetter();
    auto t = std::make_unique<GxTexture>();
    const bool ok = t->CreateFromFile(GxString(file).c_str(), 0, 1, 0, false);
    c.m_ContentType = kGxContentImage;
    c.m_ContentFileName = GxString(file);
    c.m_Width = s32(t->GetImageWidth());
    c.m_Height = s32(t->GetImageHeight());
    c.m_pTexture = std::move(t);
    return EndSetter(ok, time);
}

bool GxTaskLayer::SetMultiImageContent(const std::vector<GxString>& files, s32 time) {
    GxLayerContent& c = BeginSetter();
    if (files.empty()) {
        GxWriteErrorLog(u"GxTaskLayer:読み込むファイルが指定されていません");
        return false;
    }
    auto t = std::make_unique<GxTexture>();
    c.m_ContentType = kGxContentImage;
    c.m_MultiContentFileName = files;
    const bool ok = t->CreateFromFileMultiBlend(files[0].c_str(), files, 0, 1);
    c.m_Width = s32(t->GetImageWidth());
    c.m_Height = s32(t->GetImageHeight());
    c.m_pTexture = std::move(t);
    return EndSetter(ok, time);
}

bool GxTaskLayer::LoadSubLayerImage(GxStringView file, s32 index) {
    GxSubLayerContent* sub = GetCurrentContent()->GetSubLayerContent(index);
    if (!sub) {
        GxWriteErrorLog(u"GxTaskLayer:サブレイヤーに読み込めません。インデックスを超えている可能性があります:%s index:%d",
                        file, index);
        return false;
    }
    return sub->LoadImage(file);
}

bool GxTaskLayer::SetSubLayerVisible(s32 index, bool visible) {
    GxSubLayerContent* first = m_Content[0].GetSubLayerContent(index);
    if (!first) {
        GxWriteErrorLog(u"GxTaskLayer:サブレイヤーにアクセスできません。インデックスを超えている可能性がありますindex:%d",
                        index);
        return false;
    }
    first->m_Visible = visible;
    if (GxSubLayerContent* second = m_Content[1].GetSubLayerContent(index)) second->m_Visible = visible;
    return true;
}

bool GxTaskLayer::ShowSubLayer(s32 index) { return SetSubLayerVisible(index, true); }
bool GxTaskLayer::HideSubLayer(s32 index) { return SetSubLayerVisible(index, false); }

void GxTaskLayer::ClearContent() {
    StopShake();
    m_ActionPause = false;
    m_MovieAutoDisappearTime = 0;
    m_MissingImage = false;
    m_LocalTransitMode = 1;
    m_Content[0].Clear();
    m_Content[1].Clear();
}

GxLayerMoviePlayer* GxTaskLayer::PlayerOf(const GxLayerContent& c) const {
    if (!c.GetMovieTexture()) return nullptr;
    return GxLayerServices::Get().GetMoviePlayer(s32(c.m_MyChannel));
}

void GxTaskLayer::StopMovie() {
    const GxLayerContent& c = m_Content[m_IndexPos];
    if (c.m_ContentType == kGxContentMovie) GxLayerServices::Get().StopMovie(s32(c.m_MyChannel));
}

bool GxTaskLayer::PlayMovie(s32 volume) { return m_Content[m_IndexPos].StartMovie(volume, false); }

GxLayerMoviePlayer* GxTaskLayer::GetMoviePlayer() {
    return GxLayerServices::Get().GetMoviePlayer(s32(m_Content[m_IndexPos].m_MyChannel));
}

bool GxTaskLayer::IsMoviePlaying() {
    GxLayerMoviePlayer* p = PlayerOf(m_Content[m_IndexPos]);
    return p && p->IsPlaying();
}

f64 GxTaskLayer::GetMoviePosition() {
    GxLayerMoviePlayer* p = PlayerOf(m_Content[m_IndexPos]);
    return p ? p->GetPosition() : 0.0;
}

void GxTaskLayer::StartShake(const f32 amplitude[4], s32 time) {
    m_Shake = true;
    m_ShakeAmplitude = GxVector4(amplitude[0], amplitude[1], amplitude[2], amplitude[3]);
    m_ShakeTimeLeft = m_ShakeTimeTotal = time;
}

void GxTaskLayer::StopShake() {
    m_Shake = false;
    m_ShakeAmplitude.x = m_ShakeAmplitude.y = m_ShakeAmplitude.z = 0;
    m_ShakeTimeLeft = m_ShakeTimeTotal = 0;
    m_Visual.m_ShakeOffsetPos.x = m_Visual.m_ShakeOffsetPos.y = 0;
}

bool GxTaskLayer::FinishTransit() {
    if (!m_Transit.m_Transit) return false;
    m_Transit.m_Transit = false;
    m_Transit.m_TransitTimeLeft = 0;
    GetBackContent()->Clear();
    return true;
}

void GxTaskLayer::CenterOnScreen() {
    SetPos(f32(GxTruncToS32((1024 - GetContentWidth()) * 0.5)), f32(GxTruncToS32((768 - GetContentHeight()) * 0.5)),
           0, 0);
}

void GxTaskLayer::UpdateContent(GxLayerContent& c) {
    GxVector4 world;
    GetWorldPos(&world);
    if (c.m_ContentType == kGxContentProject && c.m_pProject) {
        const GxNcMotion* motion = c.m_pProject->FindMotion(c.m_MotionGroupName, c.m_MotionName);
        if (!motion) return;
        c.m_MatWorld.Compose(Xyz(world) + GxVector3(ScreenWidth() / 2, ScreenHeight() / 2, 0), Radians(m_Visual.m_Rot),
                             Xyz(m_Visual.m_Scale), Xyz(m_Visual.m_CenterPos));
        // The period is at least 1, so a motion of no length does not divide
        // by 0. A counter a save left negative (or one that wrapped) still
        // lands in the period.
        const s64 period = motion->GetPeriod();
        const s32 frame = s32((s64(c.m_FrameCount) % period + period) % period);
        c.m_SnapShot.Update(c.m_pProject, motion, frame, GxVector4(), &c.m_MatWorld, GxFColor(1, 1, 1, 1), 4, nullptr);
        return;
    }
    c.m_MatWorld.Compose(Xyz(world), Radians(m_Visual.m_Rot), Xyz(m_Visual.m_Scale), Xyz(m_Visual.m_CenterPos));
}

int GxTaskLayer::Update(int, s64 elapsed) {
    const s32 ms = GxTruncToS32(f64(elapsed / 1000));
    UpdateActions(ms);
    GxLayerContent& current = m_Content[m_IndexPos];
    if (current.m_ContentType == kGxContentMovie && !m_Transit.m_Transit && current.m_MovieAutoDisappear &&
        !IsMoviePlaying())
        StartTransit(m_MovieAutoDisappearTime);
    if (m_Transit.m_Transit) UpdateContent(*GetBackContent());
    UpdateContent(*GetCurrentContent());
    if (m_Shake) {
        const f32 s1 = ShakeFactor(), s2 = ShakeFactor();
        m_Visual.m_ShakeOffsetPos.x = f32(GxTruncToS32(m_ShakeAmplitude.x * s1));
        m_Visual.m_ShakeOffsetPos.y = f32(GxTruncToS32(s2 * m_ShakeAmplitude.y));
        if (m_ShakeTimeTotal >= 0) {
            m_ShakeTimeLeft = GxTruncToS32(f64(m_ShakeTimeLeft) - ms);
            if (m_ShakeTimeLeft <= 0) StopShake();
        }
    }
    // The counters come from saves too: at the largest integer they wrap
    // round rather than overflow.
    for (GxLayerContent& c : m_Content) c.m_FrameCount = s32(u32(c.m_FrameCount) + 1u);
    if (m_Transit.m_Transit) {
        m_Transit.m_TransitTimeLeft = GxTruncToS32(f64(m_Transit.m_TransitTimeLeft) - ms);
        if (m_Transit.m_TransitTimeLeft <= 0) {
            m_Transit.m_TransitTimeLeft = 0;
            m_Transit.m_Transit = false;
            GetBackContent()->Clear();
        }
    }
    m_FrameCount = s32(u32(m_FrameCount) + 1u);
    return 0;
}

int GxTaskLayer::EnqueueRender(int, s64) {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskRenderManage* list = core ? core->GetRenderList(kRenderList) : nullptr;
    if (list) list->AddTask(GxTaskRenderManage::kSortAscending, this, m_Visual.m_OrderZ, 0);
    return 0;
}

void GxTaskLayer::TransitFactors(f32 p, f32* in, f32* out) const {
    switch (m_LocalTransitMode) {
    case 1:
        *in = GxLerpSinPi(0, 1, p, 1);
        *out = GxLerpSinPi(1, 0, p, -1);
        break;
    case 2:
        *in = 0.75f * GxLerpSinPi(0, 1, p, 1) + 0.25f * p;
        *out = 0.75f * GxLerpSinPi(1, 0, p, -1) + 0.25f * (1 - p);
        break;
    case 3:
        *out = p < 0.5f ? 1 - 2 * p : 0;
        *in = p < 0.5f ? 0 : 2 * (p - 0.5f);
        break;
    default:
        *in = p;
        *out = 1 - p;
        break;
    }
}

int GxTaskLayer::Render(int, int) {
    if (!m_Visual.m_Visible) return 0;
    if (!m_Transit.m_Transit) {
        DrawContent(*GetCurrentContent(), 1.0f);
    } else {
        f32 in, out;
        TransitFactors(m_Transit.GetProgress(), &in, &out);
        DrawContent(*GetBackContent(), out);
        DrawContent(*GetCurrentContent(), in);
    }
    if (m_MissingImage) {
        GxVector4 w;
        GetWorldPos(&w);
        GxLayerTextRequest text;
        text.fontMap = 1;
        text.text = GetCurrentContent()->m_ContentFileName;
        text.x = w.x + 32, text.y = w.y + 64;
        GxLayerDrawFontMapText(text);
    }
    return 0;
}

void GxTaskLayer::DrawContent(GxLayerContent& c, f32 fade) {
    const GxFColor& c0 = m_Visual.m_Color0;
    // The cross-fade curves swell above 1 in the middle; a packed alpha
    // above 255 would wrap to a dim value, so it is held at full.
    const f32 alpha = std::clamp(c0.a * fade * f32(m_Visual.m_Alpha) / 255.0f, 0.0f, 1.0f);
    const GxFColor colour(c0.r, c0.g, c0.b, alpha);
    const u32 diffuse = colour.ToARGB(), second = m_Visual.m_Color1.ToARGB();
    const u32 blend = u32(m_Visual.m_BlendMode);
    GxSetDefaultRenderStates();
    if (alpha == 0) return;
    GxVector4 world;
    GetWorldPos(&world);
    const GxVector3 rot = Radians(m_Visual.m_Rot);
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    const GxVector4& centre = m_Visual.m_CenterPos;
    GxGraphics::BeginScene();
    switch (c.m_ContentType) {
    case kGxContentProject: {
        if (!c.m_pProject) break;
        GxLayerServices& s = GxLayerServices::Get();
        GxTexture* target = s.GetGlobalRenderTexture(1);
        if (!target || !GxGraphics::PushRenderTarget(0, target, s.GetGlobalDepthStencil(), nullptr)) {
            c.m_SnapShot.Draw(GxMatrix(), 1, colour, m_Visual.m_Color1, 0, 0, nullptr);
            break;
        }
        GxGraphics::Clear(kGxClearTarget, 0, 1.0f, 0);
        c.m_SnapShot.Draw(GxMatrix(), 1, GxFColor(1, 1, 1, 1), GxFColor(0, 0, 0, 0), 0, 0, nullptr);
        GxGraphics::PopRenderTarget(0);
        const f32 W = ScreenWidth(), H = ScreenHeight();
        const f32 corners[8] = {0, 0, 0, H, W, H, W, 0};
        const f32 uv[4] = {0, 0, target->ToU(W), target->ToV(H)};
        const u32 d[4] = {diffuse, diffuse, diffuse, diffuse}, sc[4] = {second, second, second, second};
        GxSetDefaultRenderStates();
        GxDrawTexturedQuad(target, corners, uv, d, sc, blend);
        break;
    }
    case kGxContentImageSet:
        if (c.m_pImageSet)
            DrawCrammedPattern(c.m_PatternIndex, c.m_pOriginImage, c.m_MatWorld, 1.0f, colour, m_Visual.m_Color1,
                               blend);
        break;
    case kGxContentFlexImage:
        if (c.m_pTextureFlex) {
            const GxVector2 pivot(Fraction(centre.x, f32(c.m_pTextureFlex->GetImageWidth())),
                                  Fraction(centre.y, f32(c.m_pTextureFlex->GetImageHeight())));
            GxDrawTextureFlex(c.m_pTextureFlex.get(), f32(GxTruncToS32(world.x)), f32(GxTruncToS32(world.y)), &scale,
                              &rot, &pivot, diffuse, second, blend);
            DrawSubLayers(c, world, rot);
        }
        break;
    case kGxContentColor: {
        const GxFColor fill(c.m_SolidColor.r * colour.r, c.m_SolidColor.g * colour.g, c.m_SolidColor.b * colour.b,
                            colour.a);
        GxDrawFilledRect(GxRect{0, 0, s32(ScreenWidth()), s32(ScreenHeight())}, fill.ToARGB(), second, blend);
        break;
    }
    case kGxContentMovie:
    case kGxContentRenderTexture: {
        if (!c.m_pTexture) break;
        const f32 src[4] = {0, 0, f32(c.m_Width), f32(c.m_Height)};
        const GxVector2 pivot(Fraction(centre.x, f32(c.m_Width)), Fraction(centre.y, f32(c.m_Height)));
        const bool movie = c.m_ContentType == kGxContentMovie;
        const GxVector2 uvOffset = movie ? GxVector2() : m_Visual.m_UVOffset;
        // The shown movie buffer is taken and its draw queued under the
        // frame lock, so the writer cannot fill it while the draw is pending.
        GxMutexScopedLock frame(movie ? &c.GetMovieTexture()->GetFrameLock() : nullptr);
        GxDrawSprite(c.m_pTexture.get(), world.x, world.y, src, &scale, &rot, &pivot, &uvOffset, diffuse, second, blend);
        break;
    }
    case kGxContentImage: {
        GxTexture* t = c.GetImageTexture();
        if (!t) break;
        const f32 w = f32(t->GetImageWidth()), h = f32(t->GetImageHeight());
        const f32 src[4] = {0, 0, w, h};
        const GxVector2 pivot(Fraction(centre.x, w), Fraction(centre.y, h));
        GxDrawSprite(t, world.x, world.y, src, &scale, &rot, &pivot, &m_Visual.m_UVOffset, diffuse, second, blend);
        DrawSubLayers(c, world, rot);
        break;
    }
    default:
        break;
    }
    GxGraphics::EndScene();
}

void GxTaskLayer::DrawSubLayers(GxLayerContent& c, const GxVector4& world, const GxVector3& rot) {
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    for (const std::unique_ptr<GxSubLayerContent>& sub : c.m_pSubLayerList) {
        if (!sub || !sub->m_pTexture || !sub->m_Visible) continue;
        const GxTextureFlex& t = *sub->m_pTexture;
        const GxVector2 pivot(Fraction(m_Visual.m_CenterPos.x, f32(t.GetImageWidth())),
                              Fraction(m_Visual.m_CenterPos.y, f32(t.GetImageHeight())));
        GxDrawTextureFlex(&t, sub->m_OffsetPos.x + f32(GxTruncToS32(world.x)),
                          sub->m_OffsetPos.y + f32(GxTruncToS32(world.y)), &scale, &rot, &pivot, 0xFFFFFFFFu, 0,
                          u32(m_Visual.m_BlendMode));
    }
}

bool GxTaskLayer::WriteContent(GxContentWriterBase* w) {
    for (GxLayerContent& c : m_Content)
        if (c.m_ContentType == kGxContentMovie) {
            c.m_MovieCurrentTime = GxLayerServices::Get().GetMoviePosition(s32(c.m_MyChannel));
            c.m_LoopCount = GxLayerServices::Get().GetMovieLoopCount(s32(c.m_MyChannel));
        }
    GxTaskActor::WriteContent(w);
    if (!w) return false;
    m_Content[0].Write(w);
    m_Content[1].Write(w);
    w->Write("m_LayerType", m_LayerType);
    w->Write("m_IndexPos", m_IndexPos);
    m_Transit.WriteContent(w);
    w->Write("m_Shake", m_Shake);
    w->Write("m_ShakeAmplitude", Xyz(m_ShakeAmplitude));
    w->Write("m_ShakeTimeLeft", m_ShakeTimeLeft);
    w->Write("m_ShakeTimeTotal", m_ShakeTimeTotal);
    w->Write("m_MovieAutoDisappearTime", m_MovieAutoDisappearTime);
    w->Write("m_LocalTransitMode", m_LocalTransitMode);
    return true;
}

bool GxTaskLayer::ReadContent(GxContentReaderBase* r) {
    GxTaskActor::ReadContent(r);
    if (!r) return false;
    m_Content[0].Clear();
    m_Content[1].Clear();
    bool ok = m_Content[0].Read(r) && m_Content[1].Read(r);
    // A slot index or movie channel out of range would index past the slots
    // or the movie service's channels: the record is refused where it is met.
    for (const GxLayerContent& c : m_Content)
        if (ok && c.m_ContentType == kGxContentMovie && c.m_MyChannel >= u32(GxLayerServices::kMovieChannelCount)) {
            r->ComplainAbout(GxFormat(u"GxTaskLayer::ReadContent/m_MyChannelが不正です(%u)\n", c.m_MyChannel));
            ok = false;
        }
    s32 index = 0;
    if (ok) {
        r->Read("m_LayerType", &m_LayerType);
        r->Read("m_IndexPos", &index);
        if (index < 0 || index > 1) {
            r->ComplainAbout(GxFormat(u"GxTaskLayer::ReadContent/m_IndexPosが不正です(%d)\n", index));
            ok = false;
        }
    }
    if (ok) {
        m_Transit.ReadContent(r);
        r->Read("m_Shake", &m_Shake);
        GxVector3 amplitude;
        r->Read("m_ShakeAmplitude", &amplitude);
        m_ShakeAmplitude = GxVector4(amplitude.x, amplitude.y, amplitude.z, 0);
        r->Read("m_ShakeTimeLeft", &m_ShakeTimeLeft);
        r->Read("m_ShakeTimeTotal", &m_ShakeTimeTotal);
        r->Read("m_MovieAutoDisappearTime", &m_MovieAutoDisappearTime);
        r->Read("m_LocalTransitMode", &m_LocalTransitMode);
    }
    if (!ok) {
        ClearContent();
        m_IndexPos = 0;
        m_Transit = GxTransitParam();
        return false;
    }
    m_IndexPos = index;
    m_MissingImage = false;
    m_Content[0].Restore();
    m_Content[1].Restore();
    return true;
}
