#include "base/GxAsyncJobManage.h"
#include "base/GxLog.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

struct Counter {
    std::atomic<int> calls{0};
    u32 Run(GxThread* t, uintptr_t user) {
        ++calls;
        while (user == 1 && !t->IsStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 77;
    }
};

TEST(GxThread, RunsItsDelegateOnceResumed) {
    GxThread t;
    EXPECT_FALSE(t.Wait()) << "no thread yet";
    Counter c;
    ASSERT_TRUE(t.Create(u"Worker", new GxThreadDelegate<Counter>(&c, &Counter::Run)));
    auto* refused = new GxThreadDelegate<Counter>(&c, &Counter::Run);
    EXPECT_FALSE(t.Create(u"Again", refused)) << "a thread already exists";
    delete refused;  // not taken
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(c.calls, 0) << "created suspended";
    EXPECT_TRUE(t.Resume(0));
    EXPECT_FALSE(t.Resume(0)) << "only the first resume counts";
    EXPECT_TRUE(t.Wait());
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(t.GetExitCode(), 77u);
    EXPECT_TRUE(t.IsFinished());
    EXPECT_FALSE(t.IsStopped());
    EXPECT_FALSE(t.IsRunning());
    EXPECT_FALSE(t.Wait()) << "the thread is gone once joined";
}

TEST(GxThread, ANewThreadMayBeCreatedOnceTheLastEndedOnItsOwn) {
    Counter c;
    GxThread t;
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(t.Create(u"Again", new GxThreadDelegate<Counter>(&c, &Counter::Run))) << round;
        EXPECT_TRUE(t.Resume(0));
        while (t.IsRunning()) std::this_thread::yield();
        EXPECT_EQ(c.calls, round);
        EXPECT_TRUE(t.IsFinished());
    }
    EXPECT_TRUE(t.Wait()) << "an ended thread is waited for at once";
    ASSERT_TRUE(t.Create(u"Held", new GxThreadDelegate<Counter>(&c, &Counter::Run)));
    t.Resume(1);
    auto* refused = new GxThreadDelegate<Counter>(&c, &Counter::Run);
    EXPECT_FALSE(t.Create(u"Refused", refused)) << "still running";
    delete refused;
    t.RequestStop();
    EXPECT_TRUE(t.Wait());
}

TEST(GxThread, StopRequestIsRecordedAndANeverResumedThreadCloses) {
    Counter c;
    {
        GxThread t;
        ASSERT_TRUE(t.Create(u"Loop", new GxThreadDelegate<Counter>(&c, &Counter::Run)));
        t.Resume(1);
        while (c.calls == 0) std::this_thread::yield();
        EXPECT_TRUE(t.IsRunning());
        t.RequestStop();
        EXPECT_TRUE(t.Wait());
        EXPECT_TRUE(t.IsStopped());
        EXPECT_FALSE(t.IsFinished());
        EXPECT_FALSE(t.IsStopRequested()) << "cleared once honoured";
    }
    {
        GxThread t;
        ASSERT_TRUE(t.Create(u"Idle", new GxThreadDelegate<Counter>(&c, &Counter::Run)));
        // Destroyed while suspended: must neither hang nor run the delegate.
    }
    EXPECT_EQ(c.calls, 1);
}

struct Job : GxAsyncJobBase {
    std::atomic<int> ran{0}, cancelled{0};
    std::atomic<bool> completedNoticeDone{false};
    int workMs = 0;
    int noticeMs = 0;
    void ExecuteJob(GxThread*, GxAsyncJobManage*) override {
        if (workMs) std::this_thread::sleep_for(std::chrono::milliseconds(workMs));
        ++ran;
    }
    void OnJobCompleted(GxAsyncJobManage* m) override {
        if (noticeMs) std::this_thread::sleep_for(std::chrono::milliseconds(noticeMs));
        GxAsyncJobBase::OnJobCompleted(m);
        completedNoticeDone = true;
    }
    void OnJobCancelled(GxAsyncJobManage* m) override {
        ++cancelled;
        GxAsyncJobBase::OnJobCancelled(m);
    }
};

TEST(GxAsyncJobManage, QueueDrainsFromTheFrontOnly) {
    GxAsyncJobManage m;  // no workers: the test plays the worker
    Job a, b, c;
    m.EnqueueForTest(u"a", &a);
    m.EnqueueForTest(u"b", &b);
    m.EnqueueForTest(u"c", &c);
    EXPECT_EQ(m.TakeNextJob(), nullptr) << "paused until workers exist";
    m.SetPausedForTest(false);
    GxAsyncJobEntry* ea = m.TakeNextJob();
    GxAsyncJobEntry* eb = m.TakeNextJob();
    ASSERT_TRUE(ea && eb);
    EXPECT_EQ(ea->m_Name, u"a");
    EXPECT_EQ(eb->m_Name, u"b");
    m.MarkDone(eb);  // b finishes before a
    m.RemoveFinishedJobs();
    EXPECT_EQ(m.GetQueueSizeForTest(), 3u) << "b waits behind a";
    m.MarkDone(ea);
    m.RemoveFinishedJobs();
    EXPECT_EQ(m.GetQueueSizeForTest(), 1u);
    GxAsyncJobEntry* ec = m.TakeNextJob();
    ASSERT_TRUE(ec);
    EXPECT_EQ(ec->m_Name, u"c") << "the hand-out index followed the removals";
    EXPECT_EQ(m.TakeNextJob(), nullptr);
    m.MarkDone(ec);
    m.RemoveFinishedJobs();
    EXPECT_FALSE(m.HasJobs());
}

TEST(GxAsyncJobManage, CancelLeavesTakenEntriesAndNotifiesEachWaitingJobOnce) {
    GxAsyncJobManage m;
    Job a, b, c;
    m.EnqueueForTest(u"a", &a);
    m.EnqueueForTest(u"b", &b);
    m.EnqueueForTest(u"c", &c);
    m.SetPausedForTest(false);
    GxAsyncJobEntry* ea = m.TakeNextJob();
    m.CancelPendingJobs();
    m.CancelPendingJobs();
    EXPECT_EQ(a.cancelled, 0);
    EXPECT_EQ(b.cancelled, 1);
    EXPECT_EQ(c.cancelled, 1);
    EXPECT_TRUE(b.IsCancelled() && b.IsEnded());
    EXPECT_EQ(ea->m_Job, &a) << "a taken entry runs to its end";
    EXPECT_EQ(m.GetQueueSizeForTest(), 3u) << "cancelled entries wait behind the running one";
    m.MarkDone(ea);
    m.RemoveFinishedJobs();
    EXPECT_FALSE(m.HasJobs());

    Job waiting;
    {
        GxAsyncJobManage paused;
        paused.CreateThread(1, true);  // nothing is handed out
        paused.EnqueueForTest(u"waiting", &waiting);
    }
    EXPECT_EQ(waiting.ran, 0);
    EXPECT_EQ(waiting.cancelled, 1) << "shutdown cancels what waits";
}

TEST(GxAsyncJobManage, WorkersRunJobsAndWaitingSeesTheirCompletion) {
    GxAsyncJobManage m;
    m.WaitAllJobs();  // empty: returns at once
    m.CreateThread(2, false);
    ASSERT_EQ(m.GetWorkerCount(), 2);
    EXPECT_EQ(m.GetThread(0)->GetName(), u"AsyncWorker0");
    EXPECT_EQ(m.GetThread(1)->GetName(), u"AsyncWorker1");
    std::vector<std::unique_ptr<Job>> jobs;
    for (int i = 0; i < 12; ++i) {
        jobs.push_back(std::make_unique<Job>());
        jobs.back()->workMs = i % 3;
        jobs.back()->noticeMs = 15;  // a slow completion notice
        m.EnqueueForTest(u"job", jobs.back().get());
    }
    m.WaitAllJobs();
    for (auto& j : jobs) {
        EXPECT_EQ(j->ran, 1);
        EXPECT_TRUE(j->completedNoticeDone) << "the queue emptied before a job's completion had run";
        EXPECT_TRUE(j->IsCompleted());
        EXPECT_FALSE(j->IsRunning());
    }
    EXPECT_EQ(m.GetThread(0)->GetJobCount() + m.GetThread(1)->GetJobCount(), 12);
    // Starting again stops the old workers first.
    m.CreateThread(2, false);
    EXPECT_EQ(m.GetWorkerCount(), 2);
    EXPECT_TRUE(m.GetThread(0)->IsRunning());
    m.Shutdown();
    EXPECT_EQ(m.GetWorkerCount(), 0);
}

// Context switches, voluntary or not, of this process's threads whose name
// begins with prefix.
long SwitchesOfThreads(const std::string& prefix) {
    long total = 0;
    for (auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name, line;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (name.rfind(prefix, 0) != 0) continue;
        std::ifstream status(task.path() / "status");
        while (std::getline(status, line))
            if (line.find("ctxt_switches:") != std::string::npos) total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

TEST(GxAsyncJobManage, IdleWorkersSleepUntilAJobComes) {
    GxAsyncJobManage m;
    m.CreateThread(2, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // both reach their wait
    const long before = SwitchesOfThreads("AsyncWorker");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(SwitchesOfThreads("AsyncWorker") - before, 4) << "an idle worker woke up with nothing to do";
    Job late;
    m.EnqueueForTest(u"late", &late);
    m.WaitAllJobs();
    EXPECT_EQ(late.ran, 1);
}

TEST(GxAsyncJobManage, ZeroWorkersIsRefusedWithADebugLine) {
    qtest::TempDir dir;
    GxSetDebugLogPath(dir.u16("debug.log"));
    GxAsyncJobManage m;
    m.CreateThread(1, true);
    m.CreateThread(0, false);
    EXPECT_EQ(m.GetWorkerCount(), 1) << "the present workers are untouched";
    auto bytes = qtest::ReadBytes(dir.path() / "debug.log");
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    EXPECT_EQ(text, u"GxAsyncJobManage::CreateThread スレッド数に0は設定できません\r\n");
    GxSetDebugLogPath(u"");
}

} // namespace
