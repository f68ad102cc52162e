#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "jobs/Teventloop.h"
#include "jobs/Tjob.h"

namespace {
// A job whose steps are given by the test; it records the order in which things happen, and
// its run makes a result.
class TScriptedJob : public TJob<std::string> {
public:
    using TStep = std::function<void(TScriptedJob&)>;
    TScriptedJob(TMainThreadCaller& caller, std::vector<std::string>& journal, TStep prepare, TStep run)
        : TJob(caller), Journal(journal), PrepareStep(std::move(prepare)), RunStep(std::move(run))
    {}
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
        Made = "made";
        if (RunStep)
            RunStep(*this);
    }
    void CleanUp() override { Journal.push_back("cleanup"); }
    std::string TakeResult() override { return std::move(Made); }

private:
    std::vector<std::string>& Journal;
    TStep PrepareStep, RunStep;
    std::string Made;
};

// Runs a job to its end, releases it as its owner, and returns its end value.
TJobEnd<std::string> RunJob(std::vector<std::string>& journal, TScriptedJob::TStep prepare, TScriptedJob::TStep run,
                            const std::function<void(TScriptedJob&)>& attach = {})
{
    TEventLoop loop;
    TJobEnd<std::string> outcome{};
    auto job = std::make_unique<TScriptedJob>(loop, journal, std::move(prepare), std::move(run));
    job->SetOnEnd([&](TJobEnd<std::string> end) {
        journal.push_back("end handler");
        outcome = std::move(end);
    });
    if (attach)
        attach(*job);
    job->Resume();
    loop.RunUntil([&] { return job->Ended(); });
    job.reset();
    return outcome;
}
}  // namespace

TEST(ReportThread, CompletedRunHandsItsResultToTheEndHandlerAndCleansUpBeforeItsOwnerReleasesIt)
{
    std::vector<std::string> journal;
    const TJobEnd<std::string> outcome = RunJob(journal, {}, {});
    EXPECT_EQ(outcome.How, TJobHow::Completed);
    EXPECT_TRUE(outcome.Completed());
    EXPECT_EQ(outcome.Result, "made");
    EXPECT_EQ(journal, (std::vector<std::string>{"prepare", "run", "end handler", "cleanup", "released"}));
}

TEST(ReportThread, TerminationInPrepareSkipsRun)
{
    std::vector<std::string> journal;
    const TJobEnd<std::string> outcome = RunJob(journal, [](TScriptedJob& job) { job.Terminate(); }, {});
    EXPECT_EQ(outcome.How, TJobHow::Cancelled);
    EXPECT_FALSE(outcome.Completed());
    EXPECT_EQ(journal, (std::vector<std::string>{"prepare", "end handler", "cleanup", "released"}));
}

TEST(ReportThread, TerminationBeforeTheStartIsCancelledWithoutAnyStep)
{
    std::vector<std::string> journal;
    const TJobEnd<std::string> outcome = RunJob(journal, {}, {}, [](TScriptedJob& job) { job.Terminate(); });
    EXPECT_EQ(outcome.How, TJobHow::Cancelled);
    EXPECT_FALSE(outcome.Completed());
    EXPECT_EQ(journal, (std::vector<std::string>{"end handler", "cleanup", "released"}));
}

TEST(ReportThread, TerminationInRunStopsAndTheOwnerReleasesTheJobAfterItsCleanUp)
{
    std::vector<std::string> journal;
    const TJobEnd<std::string> outcome = RunJob(journal, {}, [](TScriptedJob& job) { job.Terminate(); });
    EXPECT_EQ(outcome.How, TJobHow::Stopped);
    EXPECT_FALSE(outcome.Completed() || outcome.Failed());
    EXPECT_EQ(journal, (std::vector<std::string>{"prepare", "run", "end handler", "cleanup", "released"}));
}

TEST(ReportThread, AnExceptionFailsTheJobWithItsReasonWhereverItComes)
{
    std::vector<std::string> journal;
    const TJobEnd<std::string> inPrepare = RunJob(journal, [](TScriptedJob&) { throw std::runtime_error("no"); }, {});
    EXPECT_TRUE(inPrepare.Failed());
    EXPECT_FALSE(inPrepare.Completed());
    EXPECT_NE(inPrepare.FailureReason.find("no"), std::string::npos) << inPrepare.FailureReason;
    EXPECT_EQ(journal, (std::vector<std::string>{"prepare", "end handler", "cleanup", "released"}));

    journal.clear();
    const TJobEnd<std::string> inRun = RunJob(journal, {}, [](TScriptedJob& job) {
        job.Terminate();
        throw std::bad_alloc();
    });
    EXPECT_EQ(inRun.How, TJobHow::Failed);
    EXPECT_EQ(journal.back(), "released");
}

TEST(ReportThread, EveryLogLineArrivesInOrderAndTheLastProgressBeforeTheEnd)
{
    std::vector<std::string> journal, lines;
    std::vector<std::pair<int, int>> progress;
    bool endSawEverything = false;
    constexpr int Count = 20000;
    TEventLoop loop;
    auto job = std::make_unique<TScriptedJob>(loop, journal, TScriptedJob::TStep{}, [](TScriptedJob& self) {
        for (int i = 1; i <= Count; ++i) {
            self.Log("line " + std::to_string(i));
            self.Progress(i, Count);
        }
    });
    job->SetOnLog([&](const std::string& text, const std::optional<TTransferOutcome>& outcome) {
        EXPECT_FALSE(outcome.has_value());
        lines.push_back(text);
    });
    job->SetOnProgress([&](std::int32_t position, std::int32_t maximum) { progress.emplace_back(position, maximum); });
    job->SetOnEnd([&](const TJobEnd<std::string>&) {
        endSawEverything =
            lines.size() == Count && !progress.empty() && progress.back() == std::make_pair(Count, Count);
    });
    job->Resume();
    loop.RunUntil([&] { return job->Ended(); });
    job.reset();

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
    const TJobEnd<std::string> outcome = RunJob(journal, {}, [](TScriptedJob& job) {
        for (int i = 0; i < 1000; ++i) {
            job.Log("x");
            job.Progress(i, 1000);
        }
    });
    EXPECT_TRUE(outcome.Completed());
}

TEST(ReportThread, AnExceptionInAProgressHandlerFailsTheRunButTheEndStillComes)
{
    std::vector<std::string> journal;
    const TJobEnd<std::string> outcome = RunJob(
        journal, {}, [](TScriptedJob& job) { job.Progress(1, 1); },
        [](TScriptedJob& job) {
            job.SetOnProgress([](std::int32_t, std::int32_t) { throw std::runtime_error("handler"); });
        });
    EXPECT_TRUE(outcome.Failed());
    EXPECT_EQ(journal.back(), "released");
}
