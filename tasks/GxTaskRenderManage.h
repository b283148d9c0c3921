#pragma once
// One render list. During the render-enqueue walk every visible task puts
// itself into one of the ten lists of the current bank with a sort key and a
// draw parameter; after the steps the lists are drawn in order, each in list
// order. A task may be in several lists, each entry telling it which of its
// drawings is asked for.
#include "base/GxTypes.h"

#include <list>

class GxTaskBase;
class GxTaskManage;

class GxTaskRenderManage {
public:
    struct RenderEntry {
        GxTaskBase* m_Task = nullptr;
        f32 m_SortKey = 0.0f;
        s32 m_DrawParam = 0;
        s32 m_Reserved = 0;
    };

    // Sort modes. 0 means the list's default (3); 1, negative and anything
    // above 6 append.
    static constexpr s32 kSortDefault = 0;
    static constexpr s32 kSortAppend = 1;
    static constexpr s32 kSortFront = 2;
    static constexpr s32 kSortAscending = 3;            // after equal keys
    static constexpr s32 kSortDescending = 4;           // after equal keys
    static constexpr s32 kSortAscendingBeforeEqual = 5;
    static constexpr s32 kSortDescendingBeforeEqual = 6;

    GxTaskRenderManage() = default;
    virtual ~GxTaskRenderManage() = default;

    bool AddTask(s32 mode, GxTaskBase* task, f32 sortKey, s32 drawParam);
    // Draws every entry whose task is running and drawable: RenderBeforeMain
    // while the task's scene waits for its main phase, else Render.
    void DrawList(GxTaskManage* manager, int listIndex);
    void Clear() { m_Entries.clear(); }

    const std::list<RenderEntry>& GetEntries() const { return m_Entries; }
    s32 GetDefaultSortMode() const { return m_DefaultSortMode; }

private:
    std::list<RenderEntry> m_Entries;
    s32 m_DefaultSortMode = kSortAscending;
};
