#pragma once
// Builds a layout project from the body of a ".gnc" content stream. Value
// errors are counted by the stream, and reading stops at the first: what was
// read before it stays (the record being read when it came is kept as far as
// it got), nothing after it is read. Damage the stream cannot count itself is
// refused outright, with one line: a list count larger than its elements
// could fill in the bytes left, or a layer tree nested deeper than
// kMaxTreeDepth.
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
    // Opens a list and checks its count against what elements of at least
    // elementBytes each could fill in the bytes left, and against maxCount;
    // a bad count refuses the stream and reads as 0.
    u32 BeginList(const char* name, u32 elementBytes, u32 maxCount = 0xFFFFFFFFu);
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
    bool m_UnlinkedSaid = false;
};
