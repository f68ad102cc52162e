#include <gtest/gtest.h>

#include <stdexcept>

#include "jobs/Teventloop.h"
#include "jobs/Treportthread.h"

namespace {
// A job whose steps are given by the test; it records the order in which things happen.
class TScriptedJob : public TReportThread {
public:
    using TStep = std::function<void(TScriptedJob&)>;
    TScriptedJob(TMainThreadCaller& caller, std::vector<std::string>& journal, TStep prepare, TStep run)
        : TReportThread(caller), Journal(journal), PrepareStep(std::move(prepare)), RunStep(std::move(run))
    {
        FreeOnTerminate = true;
    }
    ~TScriptedJob() override { Journal.push_back("released"); }
    using TReportThread::Log;
    using TReportThread::Progress;

protected:
    void Prepare() override
    {
        Journal.push_back("prepare");
        if (PrepareStep)
            PrepareStep(*this);
    }
    void Run() override
    {
        Journal.push_back("run");
        if (RunStep)
            RunStep(*this);
    }
    void CleanUp() override { Journal.push_back("cleanup"); }

private:
    std::vector<std::string>& Journal;
    TStep PrepareStep, RunStep;
};

struct TOutcome {
    bool Cancelled, Stopped, Failed, Completed;
};

// Runs a job to its end and returns its flags as the end handler saw them.
TOutcome RunJob(std::vector<std::string>& journal, TScriptedJob::TStep prepare, TScriptedJob::TStep run,
                const std::function<void(TScriptedJob&)>& attach = {})
{
    TEventLoop loop;
    TOutcome outcome{};
    bool ended = false;
    auto* job = new TScriptedJob(loop, journal, std::move(prepare), std::move(run));
    job->OnTerminate = [&](TReportThread* sender) {
        journal.push_back("end handler");
        outcome = {sender->Cancelled, sender->Stopped, sender->Failed, sender->Completed()};
        ended = true;
    };
    if (attach)
        attach(*job);
    job->Resume();
    loop.RunUntil([&] { return ended; });
    TReportThread::WaitForReleasedThreads();
    return outcome;
}
}  // namespace

TEST(ReportThread, CompletedRunCleansUpAfterTheEndHandlerThenReleasesItself)
{
    std::vector<std::string> journal;
    const TOutcome outcome = RunJob(journal, {}, {});
    EXPECT_FALSE(outcome.Cancelled || outcome.Stopped || outcome.Failed);
    EXPECT_TRUE(outcome.Completed);
    EXPECT_EQ(journal, (std::vector<std::string>{"prepare", "run", "end handler", "cleanup", "released"}));
}

TEST(ReportThread, TerminationInPrepareSkipsRun)
{
    std::vector<std::string> journal;
    const TOutcome outcome = RunJob(journal, [](TScriptedJob& job) { job.Terminate(); }, {});
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_FALSE(outcome.Stopped || outcome.Failed || outcome.Completed);
    EXPECT_EQ(journal, (std::vector<std::string>{"prepare", "end handler", "cleanup", "released"}));
}

TEST(ReportThread, TerminationBeforeTheStartIsCancelledWithoutAnyStep)
{
    std::vector<std::string> journal;
    const TOutcome outcome = RunJob(journal, {}, {}, [](TScriptedJob& job) { job.Terminate(); });
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_FALSE(outcome.Stopped || outcome.Failed || outcome.Completed);
    EXPECT_EQ(journal, (std::vector<std::string>{"end handler", "cleanup", "released"}));
}

TEST(ReportThread, TerminationInRunStops)
{
    std::vector<std::string> journal;
    const TOutcome outcome = RunJob(journal, {}, [](TScriptedJob& job) { job.Terminate(); });
    EXPECT_TRUE(outcome.Stopped);
    EXPECT_FALSE(outcome.Cancelled || outcome.Failed || outcome.Completed);
}

TEST(ReportThread, ExceptionsBecomeFailedWithoutTouchingTheOtherFlags)
{
    std::vector<std::string> journal;
    const TOutcome inPrepare = RunJob(journal, [](TScriptedJob&) { throw std::runtime_error("no"); }, {});
    EXPECT_TRUE(inPrepare.Failed);
    EXPECT_TRUE(inPrepare.Completed);  // an end handler must look at Failed first
    EXPECT_EQ(journal, (std::vector<std::string>{"prepare", "end handler", "cleanup", "released"}));

    journal.clear();
    const TOutcome inRun = RunJob(journal, {}, [](TScriptedJob& job) {
        job.Terminate();
        throw std::bad_alloc();
    });
    EXPECT_TRUE(inRun.Failed);
    EXPECT_FALSE(inRun.Stopped);
    EXPECT_EQ(journal.back(), "released");
}

TEST(ReportThread, EveryLogLineArrivesInOrderAndTheLastProgressBeforeTheEnd)
{
    std::vector<std::string> journal, lines;
    std::vector<std::pair<int, int>> progress;
    bool endSawEverything = false;
    constexpr int Count = 20000;
    TEventLoop loop;
    bool ended = false;
    auto* job = new TScriptedJob(loop, journal, {}, [](TScriptedJob& self) {
        for (int i = 1; i <= Count; ++i) {
            self.Log("line " + std::to_string(i));
            self.Progress(i, Count);
        }
    });
    job->OnLog = [&](TReportThread* sender, const std::string& text) {
        EXPECT_EQ(sender->LogText, text);
        lines.push_back(text);
    };
    job->OnProgress = [&](TReportThread*, std::int32_t position, std::int32_t maximum) {
        progress.emplace_back(position, maximum);
    };
    job->OnTerminate = [&](TReportThread*) {
        endSawEverything =
            lines.size() == Count && !progress.empty() && progress.back() == std::make_pair(Count, Count);
        ended = true;
    };
    job->Resume();
    loop.RunUntil([&] { return ended; });
    TReportThread::WaitForReleasedThreads();

    EXPECT_TRUE(endSawEverything);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i)
        ASSERT_EQ(lines[static_cast<std::size_t>(i)], "line " + std::to_string(i + 1));
    // Batched: far fewer hand-overs than reports, positions rising.
    EXPECT_LT(progress.size(), static_cast<std::size_t>(Count));
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_LT(progress[i - 1].first, progress[i].first);
}

TEST(ReportThread, ReportsWithoutHandlersAreDropped)
{
    std::vector<std::string> journal;
    const TOutcome outcome = RunJob(journal, {}, [](TScriptedJob& job) {
        for (int i = 0; i < 1000; ++i) {
            job.Log("x");
            job.Progress(i, 1000);
        }
    });
    EXPECT_TRUE(outcome.Completed);
    EXPECT_FALSE(outcome.Failed);
}

TEST(ReportThread, AnExceptionInAProgressHandlerFailsTheRunButTheEndStillComes)
{
    std::vector<std::string> journal;
    const TOutcome outcome = RunJob(
        journal, {}, [](TScriptedJob& job) { job.Progress(1, 1); },
        [](TScriptedJob& job) {
            job.OnProgress = [](TReportThread*, std::int32_t, std::int32_t) { throw std::runtime_error("handler"); };
        });
    EXPECT_TRUE(outcome.Failed);
    EXPECT_EQ(journal.back(), "released");
}
