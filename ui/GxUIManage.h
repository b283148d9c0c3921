#pragma once
// The UI manager: the one instance the core owns holds the play state that
// every scene shares (the modal level that gates the widgets while system
// dialogs are open, the auto and skip modes with the auto countdown, the
// hide-window flag) and the four block bytes; it builds a scene's screens
// from the UI layout records. While it exists, GxUIManage::Get returns it.
#include "base/GxTypes.h"

#include <span>

class GxTaskBase;
class GxTaskFolder;
class GxUIModuleLoaderBase;
struct DBUILayoutRecord;

class GxUIManage {
public:
    static constexpr int kBlockCount = 4;

    // The process's manager, or null when none exists.
    static GxUIManage* Get();

    // Becomes the process's manager; everything zero.
    GxUIManage();
    ~GxUIManage();
    GxUIManage(const GxUIManage&) = delete;
    GxUIManage& operator=(const GxUIManage&) = delete;

    // Block 0 blocks every widget; blocks 1 to 3 are the scenes' own tests.
    // A block outside 0 to 3 reads as clear and cannot be set.
    bool IsUIBlockClear(int block) const;
    void SetUIBlock(int block, u8 value);

    // The table CreateUIFromLayout reads when it is given none (the game's
    // layout table); not owned, it must outlive the manager.
    void SetLayoutTable(std::span<const DBUILayoutRecord> table) { m_LayoutTable = table; }
    std::span<const DBUILayoutRecord> GetLayoutTable() const { return m_LayoutTable; }
    // Every record to be created whose parent name is exactly parentName, in
    // table order, made by the scene under the parent.
    void CreateUIFromLayout(const GxString& parentName, GxTaskBase* parent, GxUIModuleLoaderBase* scene,
                            std::span<const DBUILayoutRecord> table = {});
    // ResetEventState on every widget in the subtrees of first and of each
    // sibling after it, children before their widget.
    static void ResetUIEventStates(GxTaskBase* first);

    // The play state.
    s32 m_ModalLevel = 0;
    bool m_AutoMode = false;
    bool m_SkipMode = false;
    s32 m_AutoWaitTime = 0;
    bool m_HideWindowFlag = false;
    u8 m_UIBlock[kBlockCount] = {};

private:
    std::span<const DBUILayoutRecord> m_LayoutTable;
};

// When the auto (skip) mode is on: off, and the folder's widget "btn_auto"
// ("btn_skip", local index 0) set to false. A folder without that widget
// only loses the mode.
void GxCancelAutoMode(GxUIManage* manage, GxTaskFolder* folder);
void GxCancelSkipMode(GxUIManage* manage, GxTaskFolder* folder);
