#pragma once
// A scene that fades in over a still picture of the scene before it. When a
// transition scene ends and the next scene is one too, the screen is captured
// off-screen and the next scene starts a timed transition: it draws the
// picture over itself with falling opacity and holds its main phase and its
// input until the time is used up.
#include "scenes/GxSeqBase.h"
#include "tasks/GxTransitParam.h"

class GxSeqTransitBase : public GxSeqBase {
public:
    GxSeqTransitBase(GxTaskBase* parent, const GxChar* name);
    ~GxSeqTransitBase() override;

    // Mouse, key-input and key-action events skip the scene while it runs.
    virtual bool StartTransit(int milliseconds);
    // 1 when a transition was running, else 0.
    virtual int FinishTransit();
    virtual bool IsTransiting() const { return m_TransitParam.m_Transit; }
    virtual void RenderTransit();

    void OnEndSequence(int workerIndex) override;
    int UpdateBeforeMain(int step, s64 elapsed) override;
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;

    GxTransitParam m_TransitParam;
};
