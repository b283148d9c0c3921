#pragma once
// One of the task manager's two sequence workers: the scene it runs, the one
// it is to run next, and the one it ran before.
#include "base/GxTypes.h"

class GxTaskBase;

struct GxSeqWorker {
    GxTaskBase* m_CurrentTask = nullptr;
    GxString m_CurrentName;
    s32 m_CurrentParam0 = 0;
    s32 m_CurrentParam1 = 0;
    bool m_ChangePending = false;
    // Set when a change is applied; input reaches the worker's tree only then.
    bool m_Ready = false;
    // Set by the scene's first pre-main update; until then its tree gets the
    // pre-main walk and draws through RenderBeforeMain.
    bool m_MainStarted = false;
    GxTaskBase* m_PendingTask = nullptr;
    GxString m_PendingName;
    s32 m_PendingParam0 = 0;
    s32 m_PendingParam1 = 0;
    GxTaskBase* m_PrevTask = nullptr;
    GxString m_PrevName;
    s32 m_PrevParam0 = 0;
    s32 m_PrevParam1 = 0;
    // Main-started as it stood when the pending change was first requested:
    // a request dropped when it is applied leaves the running scene as it was.
    bool m_MainStartedBeforeRequest = false;
};
