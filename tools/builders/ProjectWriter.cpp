#include "tools/builders/ProjectWriter.h"

#include "tools/builders/ContentBytes.h"
#include "tools/builders/FileBytes.h"

#include <memory>

namespace qtest {
namespace {

// Key tracks are unnamed lists.
template <class Key, class Fields>
void Track(GxContentWriterBase& w, const char* type, const std::vector<Key>& keys, Fields fields) {
    WriteContentList(w, "", type, keys, fields);
}

template <class Key>
void Tail(GxContentWriterBase& w, const Key& k) {
    w.Write("m_InterMode", k.m_InterMode);
    w.Write("m_InterParam0", k.m_InterParam0);
    w.Write("m_InterParam1", k.m_InterParam1);
    w.Write("m_Selected", k.m_Selected);
}

template <class Key>
void ValueTrack(GxContentWriterBase& w, const char* type, const std::vector<Key>& keys) {
    Track(w, type, keys, [&](const Key& k) {
        w.Write("m_Time", k.m_Time);
        w.Write("m_Value", k.m_Value);
        Tail(w, k);
    });
}

void VertexTrack(GxContentWriterBase& w, const std::vector<GxNcVertexKey>& keys) {
    Track(w, "GxNcVertexKey", keys, [&](const GxNcVertexKey& k) {
        w.Write("m_Time", k.m_Time);
        for (const GxVector4& v : k.m_Value) w.Write("m_Value", v);
        Tail(w, k);
        w.Write("m_SelectedLocalFlags", k.m_SelectedLocalFlags);
    });
}

void Layer(GxContentWriterBase& w, const GxNcLayer& l) {
    w.Write("m_LayerName", l.m_LayerName);
    w.Write("m_EnumName", l.m_EnumName);
    w.Write("m_LayerID", l.m_LayerID);
    w.Write("m_LastTime", l.m_LastTime);
    w.Write("m_LoopMode", l.m_LoopMode);
    w.Write("m_LayerType", l.m_LayerType);
    w.Write("m_AttachIndex", l.m_AttachIndex);
    w.Write("m_VertexCount", l.m_VertexCount);
    w.Write("m_EditLock", l.m_EditLock);
    w.Write("m_EditVisible", l.m_EditVisible);
    w.Write("m_LightEnable", l.m_LightEnable);
    w.Write("m_ZWriteEnable", l.m_ZWriteEnable);
    w.Write("m_ZTestEnable", l.m_ZTestEnable);
    w.Write("m_StencilMode", l.m_StencilMode);
    w.Write("m_StencilTestEnable", l.m_StencilTestEnable);
    w.Write("m_ViewMode", l.m_ViewMode);
    w.Write("m_BlendMode", l.m_BlendMode);
    w.Write("m_FilterMode", l.m_FilterMode);
    w.Write("m_Selected", l.m_Selected);
    w.Write("m_Expanded", l.m_Expanded);
    Track(w, "GxNcImageKey", l.m_ImageTrack, [&](const GxNcImageKey& k) {
        w.Write("m_Time", k.m_Time);
        w.Write("m_ImageSetName", k.m_ImageSetName);
        w.Write("m_ImageFileName", k.m_ImageFileName);
        w.Write("m_MotionGroupName", k.m_MotionGroupName);
        w.Write("m_MotionName", k.m_MotionName);
        w.Write("m_PatternIndex", k.m_PatternIndex);
        w.Write("m_Width", k.m_Width);
        w.Write("m_Height", k.m_Height);
        w.Write("m_OffsetFrame", k.m_OffsetFrame);
        w.Write("m_LoopMode", k.m_LoopMode);
        Tail(w, k);
    });
    ValueTrack(w, "GxNcVector4Key", l.m_PosTrack);
    ValueTrack(w, "GxNcVector4Key", l.m_ScaleTrack);
    ValueTrack(w, "GxNcVector4Key", l.m_RotTrack);
    ValueTrack(w, "GxNcVector4Key", l.m_CenterTrack);
    ValueTrack(w, "GxNcVector2Key", l.m_ScaleFactorTrack);
    ValueTrack(w, "GxNcFloatKey", l.m_AlphaTrack);
    ValueTrack(w, "GxNcUIntKey", l.m_VisibleTrack);
    VertexTrack(w, l.m_VertexOffsetTrack);
    VertexTrack(w, l.m_VertexColorTrack);
    ValueTrack(w, "GxNcVector2Key", l.m_ExtraTrack);
}

void Strata(GxContentWriterBase& w, const GxSimpleTreeNode* first) {
    for (const GxSimpleTreeNode* n = first; n; n = n->m_Next) {
        const auto* node = static_cast<const GxNcLayerNode*>(n);
        w.WriteTreeStratumBegin();
        w.Write("m_LayerName", node->m_LayerName);
        w.Write("m_LayerIndex", node->m_LayerIndex);
        Strata(w, n->m_FirstChild);
        w.WriteTreeStratumEnd();
    }
}

void Motion(GxContentWriterBase& w, const GxNcMotion& m) {
    w.Write("m_MotionName", m.m_MotionName);
    w.Write("m_EnumName", m.m_EnumName);
    w.Write("m_MotionID", m.m_MotionID);
    w.Write("m_TotalDuration", m.m_TotalDuration);
    w.Write("m_StartTime", m.m_StartTime);
    w.Write("m_PlayTime", m.m_PlayTime);
    w.Write("m_EndTime", m.m_EndTime);
    WriteContentList(w, "m_LayerList", "GxNcLayer", m.m_LayerList, [&](const auto& l) { Layer(w, *l); });
    Track(w, "GxNcSoundKey", m.m_SoundTrack, [&](const GxNcSoundKey& k) {
        w.Write("m_Time", k.m_Time);
        w.Write("m_SoundName", k.m_SoundName);
        w.Write("m_InterMode", k.m_InterMode);
        w.Write("m_Selected", k.m_Selected);
    });
    for (const auto& track : m.m_EventTrack)
        Track(w, "GxNcEventKey", track, [&](const GxNcEventKey& k) {
            w.Write("m_Time", k.m_Time);
            w.Write("m_EventID", k.m_EventID);
            w.Write("m_AfterCallFlag", k.m_AfterCallFlag);
            w.Write("m_Param", k.m_Param);
            Tail(w, k);
        });
    w.WriteTreeBegin("m_LayerTree", "GxNcLayerNode");
    Strata(w, m.m_LayerTree.GetRoot());
    w.WriteTreeEnd();
}

} // namespace

void WriteProjectValues(GxContentWriterBase& w, const GxNcProject& p, const std::vector<GxString>& imageSets) {
    w.Write("m_ProjectName", p.m_ProjectName);
    w.Write("m_IssuableMotionID", p.m_IssuableMotionID);
    w.Write("m_IssuableLayerID", p.m_IssuableLayerID);
    w.Write("m_IssuableMotionGroupID", p.m_IssuableMotionGroupID);
    w.Write("m_IssuableActorID", p.m_IssuableActorID);
    w.Write("m_IssuableStageID", p.m_IssuableStageID);
    w.Write("m_IssuableReserveID0", p.m_IssuableReserveID0);
    w.Write("m_IssuableReserveID1", p.m_IssuableReserveID1);
    w.Write("m_IssuableReserveID2", p.m_IssuableReserveID2);
    w.Write("m_IssuableReserveID3", p.m_IssuableReserveID3);
    WriteContentList(w, "m_MotionGroupList", "GxNcMotionGroup", p.m_MotionGroupList, [&](const auto& g) {
        w.Write("m_MotionGroupName", g->m_MotionGroupName);
        w.Write("m_EnumName", g->m_EnumName);
        w.Write("m_MotionGroupID", g->m_MotionGroupID);
        WriteContentList(w, "m_MotionList", "GxNcMotion", g->m_MotionList, [&](const auto& m) { Motion(w, *m); });
    });
    WriteContentList(w, "m_StageList", "GxNcStage", p.m_StageList, [](const auto&) {});
    WriteContentList(w, "m_ImageSetFileNameList", "GxNcImageSetFileName", imageSets,
                     [&](const GxString& name) { w.Write("m_FileName", name); });
}

std::vector<unsigned char> BuildProject(const GxNcProject& project, const std::vector<GxString>& imageSets, bool text) {
    return WriteContentBytes(text, "NCPROJ", 100,
                             [&](GxContentWriterBase& w) { WriteProjectValues(w, project, imageSets); });
}

void WriteProjectFile(const std::filesystem::path& path, const GxNcProject& project,
                      const std::vector<GxString>& imageSets, bool text) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    WriteBytes(path, BuildProject(project, imageSets, text));
}

GxNcMotionGroup* AddMotionGroup(GxNcProject& project, const GxString& name) {
    project.m_MotionGroupList.push_back(std::make_unique<GxNcMotionGroup>());
    project.m_MotionGroupList.back()->m_MotionGroupName = name;
    return project.m_MotionGroupList.back().get();
}

GxNcMotion* AddMotion(GxNcMotionGroup& group, const GxString& name, s32 endTime) {
    group.m_MotionList.push_back(std::make_unique<GxNcMotion>());
    GxNcMotion* m = group.m_MotionList.back().get();
    m->m_MotionName = name;
    m->m_EndTime = endTime;
    return m;
}

GxNcLayer* AddLayer(GxNcMotion& motion, const GxString& name) {
    motion.m_LayerList.push_back(std::make_unique<GxNcLayer>());
    motion.m_LayerList.back()->m_LayerName = name;
    return motion.m_LayerList.back().get();
}

GxNcLayer* AddDrawnLayer(GxNcMotion& motion, const GxString& name, const GxNcImageKey& image, f32 x, f32 y, f32 rotZ,
                         f32 sx, f32 alpha, u32 blend) {
    GxNcLayer* l = AddLayer(motion, name);
    l->m_ImageTrack = {image};
    GxNcVector4Key pos, scale, rot;
    pos.m_Value = GxVector4(x, y, 0, 0);
    scale.m_Value = GxVector4(sx, 1, 1, 0);
    rot.m_Value = GxVector4(0, 0, rotZ, 0);
    l->m_PosTrack = {pos};
    l->m_ScaleTrack = {scale};
    l->m_RotTrack = {rot};
    GxNcFloatKey a;
    a.m_Value = alpha;
    l->m_AlphaTrack = {a};
    GxNcUIntKey v;
    v.m_Value = 1;
    l->m_VisibleTrack = {v};
    GxNcVertexKey c;
    for (GxVector4& cv : c.m_Value) cv = GxVector4(1, 1, 1, 1);
    l->m_VertexColorTrack = {c};
    l->m_BlendMode = blend;
    return l;
}

GxNcLayerNode* AddLayerNode(GxNcMotion& motion, GxNcLayerNode* parent, const GxString& name) {
    auto* node = new GxNcLayerNode;
    node->m_LayerName = name;
    GxSimpleTreeNode* last = parent ? parent->m_FirstChild : motion.m_LayerTree.GetRoot();
    while (last && last->m_Next) last = last->m_Next;
    if (last)
        motion.m_LayerTree.InsertAfter(last, node);
    else
        motion.m_LayerTree.InsertChild(parent, node);
    return node;
}

} // namespace qtest
