#pragma once
// A layout and animation project made in an outside editor: motion groups of
// motions, each a stack of key-framed layers, read from a ".gnc" file.
#include "layers/GxNcMotionGroup.h"
#include "layers/GxNcStage.h"

#include <memory>
#include <vector>

class GxContentReaderBase;

// The largest ".gnc" file read: key frames of a few dozen bytes each; sixty-
// four megabytes would hold over a million.
inline constexpr u32 kGxNcProjectMaxFileSize = 64u << 20;

class GxNcProject {
public:
    GxNcProject();
    virtual ~GxNcProject();
    GxNcProject(const GxNcProject&) = delete;
    GxNcProject& operator=(const GxNcProject&) = delete;

    // Empties the name, the motion groups and the stages; the issuable IDs stay.
    void Clear();
    // Reads the ".gnc" file at path; the image-set file names it lists are
    // appended to imageSets. False when the file cannot be read, is larger
    // than kGxNcProjectMaxFileSize, has a wrong
    // magic, or is damaged beyond what its values' own checks catch (a count
    // larger than the file, a layer tree nested too deep); the project is
    // then left empty.
    bool Read(GxStringView path, std::vector<GxString>* imageSets);
    // The same over an opened stream whose header was read.
    bool ReadStream(GxContentReaderBase* reader, std::vector<GxString>* imageSets);

    // First matches in list order, or null.
    GxNcMotionGroup* FindMotionGroup(GxStringView name) const;
    GxNcMotion* FindMotion(GxStringView group, GxStringView motion) const;

    GxString m_ProjectName;
    std::vector<std::unique_ptr<GxNcMotionGroup>> m_MotionGroupList;
    std::vector<std::unique_ptr<GxNcStage>> m_StageList;
    u32 m_IssuableMotionID = 200000000;
    u32 m_IssuableLayerID = 100000000;
    u32 m_IssuableMotionGroupID = 400000000;
    u32 m_IssuableActorID = 500000000;
    u32 m_IssuableStageID = 600000000;
    u32 m_IssuableReserveID0 = 700000000;
    u32 m_IssuableReserveID1 = 800000000;
    u32 m_IssuableReserveID2 = 900000000;
    u32 m_IssuableReserveID3 = 1000000000;
};
