#pragma once
// A job that makes a result: its owner gets one end value, how it ended and the result moved
// out of the job, on the user-interface thread.

#include <functional>
#include <utility>

#include "jobs/Treportthread.h"

template <class TResult>
struct TJobEnd : TJobOutcome {
    // What the job made; only a completed job's result is whole.
    TResult Result;
};

template <class TResult>
class TJob : public TReportThread {
public:
    using TEndEvent = std::function<void(TJobEnd<TResult> end)>;

    void SetOnEnd(TEndEvent onEnd) { OnEnd = std::move(onEnd); }

protected:
    using TReportThread::TReportThread;
    // Moves the result out of the job, once, for the end value.
    virtual TResult TakeResult() = 0;

private:
    void NotifyEnd(const TJobOutcome& outcome) final
    {
        if (OnEnd)
            OnEnd(TJobEnd<TResult>{outcome, TakeResult()});
    }

    TEndEvent OnEnd;
};
