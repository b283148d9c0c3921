#include "layers/GxNcProjectReader.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "layers/GxNcProject.h"

#include <algorithm>
#include <memory>

namespace {

// The fewest bytes each kind of element takes in the file (lists open and
// close in six), so that no count is believed beyond what the bytes left
// could hold.
constexpr u32 kString = kGxValStringUTF8;
constexpr u32 kList = GxContentMinReadBytes(kGxValListBegin, kGxValListEnd);
constexpr u32 kKeyTail = GxContentMinReadBytes(kGxValU32, kGxValF32, kGxValF32, kGxValU32);
constexpr u32 kImageKeyBytes = GxContentMinReadBytes(kGxValS32, kString, kString, kString, kString, kGxValS32,
                                                     kGxValS32, kGxValS32, kGxValS32, kGxValU32) + kKeyTail;
constexpr u32 kVector4KeyBytes = GxContentMinReadBytes(kGxValS32, kGxValVector4) + kKeyTail;
constexpr u32 kVector2KeyBytes = GxContentMinReadBytes(kGxValS32, kGxValVector2) + kKeyTail;
constexpr u32 kFloatKeyBytes = GxContentMinReadBytes(kGxValS32, kGxValF32) + kKeyTail;
constexpr u32 kUIntKeyBytes = GxContentMinReadBytes(kGxValS32, kGxValU32) + kKeyTail;
constexpr u32 kVertexKeyBytes = GxContentMinReadBytes(kGxValS32, kGxValVector4, kGxValVector4, kGxValVector4,
                                                      kGxValVector4, kGxValVector4, kGxValU32) + kKeyTail;
constexpr u32 kSoundKeyBytes = GxContentMinReadBytes(kGxValS32, kString, kGxValU32, kGxValU32);
constexpr u32 kEventKeyBytes = GxContentMinReadBytes(kGxValS32, kGxValS32, kGxValU32, kString, kGxValU32, kGxValF32,
                                                     kGxValF32, kGxValU32);
constexpr u32 kLayerBytes = GxContentMinReadBytes(kString, kString) + 18 * GxContentMinReadBytes(kGxValU32) + 12 * kList;
constexpr u32 kMotionBytes = GxContentMinReadBytes(kString, kString, kGxValU32, kGxValS32, kGxValS32, kGxValS32,
                                                   kGxValS32, kGxValTreeBegin, kGxValTreeEnd) + 6 * kList;
constexpr u32 kMotionGroupBytes = GxContentMinReadBytes(kString, kString, kGxValU32) + kList;
constexpr u32 kFileNameBytes = GxContentMinReadBytes(kString);
// Stages are empty elements that take no bytes at all: their count is held
// to what an editor could mean instead.
constexpr u32 kMaxStages = 65536;

template <class Key> constexpr u32 kKeyBytes = 0;
template <> constexpr u32 kKeyBytes<GxNcImageKey> = kImageKeyBytes;
template <> constexpr u32 kKeyBytes<GxNcVector4Key> = kVector4KeyBytes;
template <> constexpr u32 kKeyBytes<GxNcVector2Key> = kVector2KeyBytes;
template <> constexpr u32 kKeyBytes<GxNcFloatKey> = kFloatKeyBytes;
template <> constexpr u32 kKeyBytes<GxNcUIntKey> = kUIntKeyBytes;
template <> constexpr u32 kKeyBytes<GxNcVertexKey> = kVertexKeyBytes;
template <> constexpr u32 kKeyBytes<GxNcSoundKey> = kSoundKeyBytes;
template <> constexpr u32 kKeyBytes<GxNcEventKey> = kEventKeyBytes;

} // namespace

bool GxNcProjectReader::Failed() const { return m_Refused || m_Reader->GetErrorCount() != 0; }

u32 GxNcProjectReader::BeginList(const char* name, u32 elementBytes, u32 maxCount) {
    u32 count = 0;
    m_Reader->ReadListBegin(name, &count);
    if (Failed()) return 0;
    if (count > maxCount || !m_Reader->CanHold(count, std::max(elementBytes, 1u))) {
        m_Reader->ComplainAbout(GxFormat(u"GxNcProject::Read/リストの要素数が不正です(%S:%u)\n", name, count));
        m_Refused = true;
        return 0;
    }
    return count;
}

bool GxNcProjectReader::ReadProject(GxNcProject* p, std::vector<GxString>* imageSets) {
    GxContentReaderBase* r = m_Reader;
    r->Read("m_ProjectName", &p->m_ProjectName);
    r->Read("m_IssuableMotionID", &p->m_IssuableMotionID);
    r->Read("m_IssuableLayerID", &p->m_IssuableLayerID);
    r->Read("m_IssuableMotionGroupID", &p->m_IssuableMotionGroupID);
    r->Read("m_IssuableActorID", &p->m_IssuableActorID);
    r->Read("m_IssuableStageID", &p->m_IssuableStageID);
    r->Read("m_IssuableReserveID0", &p->m_IssuableReserveID0);
    r->Read("m_IssuableReserveID1", &p->m_IssuableReserveID1);
    r->Read("m_IssuableReserveID2", &p->m_IssuableReserveID2);
    r->Read("m_IssuableReserveID3", &p->m_IssuableReserveID3);
    for (u32 i = 0, n = BeginList("m_MotionGroupList", kMotionGroupBytes); i < n && !Failed(); ++i) {
        auto g = std::make_unique<GxNcMotionGroup>();
        r->ReadListElementBegin();
        ReadMotionGroup(g.get());
        r->ReadListElementEnd();
        p->m_MotionGroupList.push_back(std::move(g));
    }
    r->ReadListEnd();
    for (u32 i = 0, n = BeginList("m_StageList", 0, kMaxStages); i < n && !Failed(); ++i) {
        r->ReadListElementBegin();
        r->ReadListElementEnd();
        p->m_StageList.push_back(std::make_unique<GxNcStage>());
    }
    r->ReadListEnd();
    std::vector<GxString> names;
    for (u32 i = 0, n = BeginList("m_ImageSetFileNameList", kFileNameBytes); i < n && !Failed(); ++i) {
        r->ReadListElementBegin();
        names.push_back(r->ReadWString("m_FileName"));
        r->ReadListElementEnd();
    }
    r->ReadListEnd();
    if (m_Refused) return false;
    if (imageSets) imageSets->insert(imageSets->end(), names.begin(), names.end());
    return true;
}

bool GxNcProjectReader::ReadMotionGroup(GxNcMotionGroup* g) {
    if (Failed()) return false;
    GxContentReaderBase* r = m_Reader;
    r->Read("m_MotionGroupName", &g->m_MotionGroupName);
    r->Read("m_EnumName", &g->m_EnumName);
    r->Read("m_MotionGroupID", &g->m_MotionGroupID);
    for (u32 i = 0, n = BeginList("m_MotionList", kMotionBytes); i < n && !Failed(); ++i) {
        auto m = std::make_unique<GxNcMotion>();
        r->ReadListElementBegin();
        ReadMotion(m.get());
        r->ReadListElementEnd();
        g->m_MotionList.push_back(std::move(m));
    }
    r->ReadListEnd();
    return !Failed();
}

bool GxNcProjectReader::ReadMotion(GxNcMotion* m) {
    if (Failed()) return false;
    GxContentReaderBase* r = m_Reader;
    r->Read("m_MotionName", &m->m_MotionName);
    r->Read("m_EnumName", &m->m_EnumName);
    r->Read("m_MotionID", &m->m_MotionID);
    r->Read("m_TotalDuration", &m->m_TotalDuration);
    r->Read("m_StartTime", &m->m_StartTime);
    r->Read("m_PlayTime", &m->m_PlayTime);
    r->Read("m_EndTime", &m->m_EndTime);
    for (u32 i = 0, n = BeginList("m_LayerList", kLayerBytes); i < n && !Failed(); ++i) {
        auto l = std::make_unique<GxNcLayer>();
        r->ReadListElementBegin();
        ReadLayer(l.get());
        r->ReadListElementEnd();
        m->m_LayerList.push_back(std::move(l));
    }
    r->ReadListEnd();
    if (Failed()) return false;
    ReadTrack(&m->m_SoundTrack);
    for (std::vector<GxNcEventKey>& track : m->m_EventTrack) ReadTrack(&track);
    r->ReadTreeBegin("m_LayerTree");
    if (!Failed() && r->PeekValueType() == kGxValTreeStratumBegin) ReadStrata(&m->m_LayerTree, nullptr, 1);
    r->ReadTreeEnd();
    // Nodes that name no layer are no read error: the first of the file is
    // said, naming it.
    const GxNcLayerNode* unlinked = m->LinkTree(false);
    if (unlinked && !m_UnlinkedSaid && !Failed()) {
        m_UnlinkedSaid = true;
        GxWriteLogText(GxLogKind::Error,
                       m_Reader->WithSourceName(GxFormat(u"LayerNotFound:%s\n", unlinked->m_LayerName)));
    }
    return !Failed();
}

bool GxNcProjectReader::ReadLayer(GxNcLayer* l) {
    if (Failed()) return false;
    GxContentReaderBase* r = m_Reader;
    r->Read("m_LayerName", &l->m_LayerName);
    r->Read("m_EnumName", &l->m_EnumName);
    r->Read("m_LayerID", &l->m_LayerID);
    r->Read("m_LastTime", &l->m_LastTime);
    r->Read("m_LoopMode", &l->m_LoopMode);
    r->Read("m_LayerType", &l->m_LayerType);
    r->Read("m_AttachIndex", &l->m_AttachIndex);
    r->Read("m_VertexCount", &l->m_VertexCount);
    r->Read("m_EditLock", &l->m_EditLock);
    r->Read("m_EditVisible", &l->m_EditVisible);
    r->Read("m_LightEnable", &l->m_LightEnable);
    r->Read("m_ZWriteEnable", &l->m_ZWriteEnable);
    r->Read("m_ZTestEnable", &l->m_ZTestEnable);
    r->Read("m_StencilMode", &l->m_StencilMode);
    r->Read("m_StencilTestEnable", &l->m_StencilTestEnable);
    r->Read("m_ViewMode", &l->m_ViewMode);
    r->Read("m_BlendMode", &l->m_BlendMode);
    r->Read("m_FilterMode", &l->m_FilterMode);
    r->Read("m_Selected", &l->m_Selected);
    r->Read("m_Expanded", &l->m_Expanded);
    if (Failed()) return false;
    ReadTrack(&l->m_ImageTrack);
    ReadTrack(&l->m_PosTrack);
    ReadTrack(&l->m_ScaleTrack);
    ReadTrack(&l->m_RotTrack);
    ReadTrack(&l->m_CenterTrack);
    ReadTrack(&l->m_ScaleFactorTrack);
    ReadTrack(&l->m_AlphaTrack);
    ReadTrack(&l->m_VisibleTrack);
    ReadTrack(&l->m_VertexOffsetTrack);
    ReadTrack(&l->m_VertexColorTrack);
    ReadTrack(&l->m_ExtraTrack);
    return true;
}

bool GxNcProjectReader::ReadStrata(GxSimpleTree* tree, GxNcLayerNode* parent, int depth) {
    if (depth > kMaxTreeDepth) {
        m_Reader->ComplainAbout(GxFormat(u"GxNcProject::Read/レイヤーツリーの階層が深すぎます(%d)\n", depth));
        m_Refused = true;
        return false;
    }
    GxContentReaderBase* r = m_Reader;
    auto* node = new GxNcLayerNode;
    if (parent)
        tree->InsertChild(parent, node);
    else
        tree->SetRoot(node);
    if (!r->ReadTreeStratumBegin()) return false;
    for (;;) {
        r->Read("m_LayerName", &node->m_LayerName);
        r->Read("m_LayerIndex", &node->m_LayerIndex);
        if (Failed()) return false;
        if (r->PeekValueType() == kGxValTreeStratumBegin && !ReadStrata(tree, node, depth + 1)) return false;
        if (!r->ReadTreeStratumEnd()) return false;
        if (r->PeekValueType() != kGxValTreeStratumBegin) return true;
        auto* next = new GxNcLayerNode;
        tree->InsertAfter(node, next);
        node = next;
        if (!r->ReadTreeStratumBegin()) return false;
    }
}

template <class Key>
void GxNcProjectReader::ReadTrack(std::vector<Key>* track) {
    if (Failed()) return;
    const u32 n = BeginList("", kKeyBytes<Key>);
    track->reserve(n);
    for (u32 i = 0; i < n && !Failed(); ++i) {
        Key k;
        m_Reader->ReadListElementBegin();
        ReadKey(&k);
        m_Reader->ReadListElementEnd();
        track->push_back(std::move(k));
    }
    m_Reader->ReadListEnd();
}

template <class Key>
void GxNcProjectReader::ReadKeyTail(Key* k) {
    m_Reader->Read("m_InterMode", &k->m_InterMode);
    m_Reader->Read("m_InterParam0", &k->m_InterParam0);
    m_Reader->Read("m_InterParam1", &k->m_InterParam1);
    m_Reader->Read("m_Selected", &k->m_Selected);
}

void GxNcProjectReader::ReadKey(GxNcImageKey* k) {
    GxContentReaderBase* r = m_Reader;
    r->Read("m_Time", &k->m_Time);
    r->Read("m_ImageSetName", &k->m_ImageSetName);
    r->Read("m_ImageFileName", &k->m_ImageFileName);
    r->Read("m_MotionGroupName", &k->m_MotionGroupName);
    r->Read("m_MotionName", &k->m_MotionName);
    r->Read("m_PatternIndex", &k->m_PatternIndex);
    r->Read("m_Width", &k->m_Width);
    r->Read("m_Height", &k->m_Height);
    r->Read("m_OffsetFrame", &k->m_OffsetFrame);
    r->Read("m_LoopMode", &k->m_LoopMode);
    ReadKeyTail(k);
}

void GxNcProjectReader::ReadKey(GxNcVector4Key* k) {
    m_Reader->Read("m_Time", &k->m_Time);
    m_Reader->Read("m_Value", &k->m_Value);
    ReadKeyTail(k);
}

void GxNcProjectReader::ReadKey(GxNcVector2Key* k) {
    m_Reader->Read("m_Time", &k->m_Time);
    m_Reader->Read("m_Value", &k->m_Value);
    ReadKeyTail(k);
}

void GxNcProjectReader::ReadKey(GxNcFloatKey* k) {
    m_Reader->Read("m_Time", &k->m_Time);
    m_Reader->Read("m_Value", &k->m_Value);
    ReadKeyTail(k);
}

void GxNcProjectReader::ReadKey(GxNcUIntKey* k) {
    m_Reader->Read("m_Time", &k->m_Time);
    m_Reader->Read("m_Value", &k->m_Value);
    ReadKeyTail(k);
}

void GxNcProjectReader::ReadKey(GxNcVertexKey* k) {
    m_Reader->Read("m_Time", &k->m_Time);
    for (GxVector4& v : k->m_Value) m_Reader->Read("m_Value", &v);
    ReadKeyTail(k);
    m_Reader->Read("m_SelectedLocalFlags", &k->m_SelectedLocalFlags);
}

void GxNcProjectReader::ReadKey(GxNcSoundKey* k) {
    m_Reader->Read("m_Time", &k->m_Time);
    m_Reader->Read("m_SoundName", &k->m_SoundName);
    m_Reader->Read("m_InterMode", &k->m_InterMode);
    m_Reader->Read("m_Selected", &k->m_Selected);
}

void GxNcProjectReader::ReadKey(GxNcEventKey* k) {
    GxContentReaderBase* r = m_Reader;
    r->Read("m_Time", &k->m_Time);
    r->Read("m_EventID", &k->m_EventID);
    r->Read("m_AfterCallFlag", &k->m_AfterCallFlag);
    r->Read("m_Param", &k->m_Param);
    r->Read("m_InterMode", &k->m_InterMode);
    r->Read("m_InterParam0", &k->m_InterParam0);
    r->Read("m_InterParam1", &k->m_InterParam1);
    r->Read("m_Selected", &k->m_Selected);
}
