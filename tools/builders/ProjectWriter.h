#pragma once
// Writes layout projects (".gnc") from the engine's own project records, for
// the tests and the sample game. The engine only reads projects; this writer
// follows the same value list, and a hand-made golden file pins both against
// one misreading. Free of test frameworks, so tools can use it too.
#include "io/GxContentWriterBase.h"
#include "layers/GxNcProject.h"

#include <filesystem>
#include <vector>

namespace qtest {

// The values after the header; imageSets fills m_ImageSetFileNameList.
void WriteProjectValues(GxContentWriterBase& w, const GxNcProject& project, const std::vector<GxString>& imageSets);
// The whole stream ("TNCPROJ" or "BNCPROJ", version 100).
std::vector<unsigned char> BuildProject(const GxNcProject& project, const std::vector<GxString>& imageSets, bool text);
void WriteProjectFile(const std::filesystem::path& path, const GxNcProject& project,
                      const std::vector<GxString>& imageSets, bool text);

// Building projects in memory: each appends a default record and returns it.
GxNcMotionGroup* AddMotionGroup(GxNcProject& project, const GxString& name);
GxNcMotion* AddMotion(GxNcMotionGroup& group, const GxString& name, s32 endTime);
GxNcLayer* AddLayer(GxNcMotion& motion, const GxString& name);
// A layer with the tracks a drawn layer needs, each of one key at time 0:
// the image key, position (x, y), scale (sx, 1, 1), rotation about z in
// degrees, alpha, visible, and white vertex colours; blend as given.
GxNcLayer* AddDrawnLayer(GxNcMotion& motion, const GxString& name, const GxNcImageKey& image, f32 x, f32 y, f32 rotZ,
                         f32 sx, f32 alpha, u32 blend);
// A tree node after the last child of parent (null: the last top-level
// node); GxNcMotion::LinkTree links the nodes to their layers.
GxNcLayerNode* AddLayerNode(GxNcMotion& motion, GxNcLayerNode* parent, const GxString& name);

} // namespace qtest
