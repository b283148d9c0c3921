#pragma once
// Tasks that write what happens to them into a shared journal.
#include "tasks/GxSeqTaskBase.h"
#include "tasks/GxTaskManage.h"

#include <string>
#include <utility>
#include <vector>

namespace qtest {

using Journal = std::vector<std::string>;

// What the journal task and scene share.
template <class Base>
class Journaled : public Base {
public:
    template <class... Args>
    Journaled(std::string tag, Journal* journal, Args&&... args)
        : Base(std::forward<Args>(args)...), m_Tag(std::move(tag)), m_Journal(journal) {}
    ~Journaled() override { Note("delete"); }

    void Note(const std::string& what) {
        if (m_Journal) m_Journal->push_back(m_Tag + ":" + what);
    }
    void OnStartSequence(int w) override { Note("start" + std::to_string(w)); }
    void OnEndSequence(int w) override { Note("end" + std::to_string(w)); }
    int Update(int step, s64) override {
        Note("update" + std::to_string(step));
        if (m_StopOnUpdate) this->m_Manager->m_StopUpdateFlag = true;
        return 0;
    }

    std::string m_Tag;
    Journal* m_Journal;
    int m_Consume = 0;
    bool m_StopOnUpdate = false;
};

class JournalTask : public Journaled<GxTaskBase> {
public:
    JournalTask(GxTaskBase* parent, std::string tag, Journal* journal, const GxChar* name = nullptr)
        : Journaled(std::move(tag), journal, parent, name) {}
    explicit JournalTask(GxTaskManage* manager, std::string tag = "top", Journal* journal = nullptr)
        : Journaled(std::move(tag), journal, manager) {}

    void OnKill() override { Note("kill"); }
    int UpdateBeforeMain(int step, s64) override {
        Note("premain" + std::to_string(step));
        return 0;
    }
    int EnqueueRender(int step, s64) override {
        Note("enqueue" + std::to_string(step));
        return 0;
    }
    int Render(int param, int list) override {
        Note("render" + std::to_string(param) + "/" + std::to_string(list));
        return 0;
    }
    int RenderBeforeMain(int param, int list) override {
        Note("renderpre" + std::to_string(param) + "/" + std::to_string(list));
        return 0;
    }
    int OnLButtonDown(const GxVector2&, u32, bool dbl) override {
        Note(dbl ? "dblclk" : "ldown");
        return m_Consume;
    }
    int OnClose() override {
        Note("close");
        return m_Consume;
    }
    int OnKeyActionUpdate(const GxInputState*, int, s64) override {
        Note("keyaction");
        return m_Consume;
    }
};

// A scene as the task tree sees it; the widget side answers plainly.
class JournalScene : public Journaled<GxSeqTaskBase> {
public:
    JournalScene(GxTaskBase* parent, const GxChar* name, std::string tag, Journal* journal)
        : Journaled(std::move(tag), journal, parent, name) {}

    int UpdateBeforeMain(int step, s64) override {
        Note("premain" + std::to_string(step));
        if (m_SeqWorkIndex >= 0) m_Manager->StartMain(m_SeqWorkIndex);
        return 0;
    }
    int OnLButtonDown(const GxVector2&, u32, bool) override {
        Note("ldown");
        return m_Consume;
    }

    bool CanOperateUI(GxTaskBase*, u32) override { return true; }
    bool IsUIWidgetActive(GxTaskBase*) override { return true; }
    bool IsUIBlock1Clear() override { return true; }
    bool IsUIBlock2Clear() override { return true; }
    bool IsUIBlock3Clear() override { return true; }
};

} // namespace qtest
