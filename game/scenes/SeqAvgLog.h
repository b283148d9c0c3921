#pragma once
// The backlog: the last messages of the play with their speakers, a page of
// lines at a time, with paging buttons, the wheel, and a button per line
// that plays the line's voices again. It opens at the newest page and only
// reads the game state's log.
#include "game/scenes/GxSeqBackMenuBase.h"

class SeqAvgLog : public GxSeqBackMenuBase {
public:
    explicit SeqAvgLog(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    // Away from the player pages back one line; towards the player forward
    // one, and past the newest line it closes the backlog. Never consumed.
    int OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // The log entry in the first line.
    s32 GetTopLine() const { return m_TopLine; }

private:
    // The lines of the page from the top line.
    void Refresh();
    s32 PageSize() const;
    s32 EntryCount() const;
    // The last top line: the count less a page, at least 0.
    s32 LastTop() const;
    void SetTop(s32 top);
    void PlayVoices(s32 line);

    s32 m_TopLine = 0;
};
