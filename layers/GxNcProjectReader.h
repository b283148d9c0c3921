#pragma once
// Builds a layout project from the body of a ".gnc" content stream. Value
// errors are counted by the stream; once one has been counted, every motion
// group, motion and layer still to come is appended as a default record,
// while lists keep being opened and closed by their counts. Damage the
// stream cannot count itself is refused outright: a list count larger than
// the bytes left, or a layer tree nested deeper than kMaxTreeDepth.
#include "base/GxTypes.h"
#include "layers/GxNcValueKey.h"

#include <vector>

class GxContentReaderBase;
class GxNcProject;
class GxNcMotionGroup;
class GxNcMotion;
class GxNcLayer;
class GxNcLayerNode;
class GxSimpleTree;
struct GxNcImageKey;
struct GxNcVertexKey;
struct GxNcSoundKey;
struct GxNcEventKey;

class GxNcProjectReader {
public:
    static constexpr int kMaxTreeDepth = 64;

    explicit GxNcProjectReader(GxContentReaderBase* reader) : m_Reader(reader) {}

    // False when the stream was refused.
    bool ReadProject(GxNcProject* project, std::vector<GxString>* imageSets);

private:
    bool Failed() const;
    // Opens a list and checks its count against the bytes left; a bad count
    // refuses the stream and reads as 0.
    u32 BeginList(const char* name);
    bool ReadMotionGroup(GxNcMotionGroup* group);
    bool ReadMotion(GxNcMotion* motion);
    bool ReadLayer(GxNcLayer* layer);
    bool ReadStrata(GxSimpleTree* tree, GxNcLayerNode* parent, int depth);
    template <class Key>
    void ReadTrack(std::vector<Key>* track);
    void ReadKey(GxNcImageKey* k);
    void ReadKey(GxNcVector4Key* k);
    void ReadKey(GxNcVector2Key* k);
    void ReadKey(GxNcFloatKey* k);
    void ReadKey(GxNcUIntKey* k);
    void ReadKey(GxNcVertexKey* k);
    void ReadKey(GxNcSoundKey* k);
    void ReadKey(GxNcEventKey* k);
    // The fields every interpolated key ends with.
    template <class Key>
    void ReadKeyTail(Key* k);

    GxContentReaderBase* m_Reader;
    bool m_Refused = false;
};
