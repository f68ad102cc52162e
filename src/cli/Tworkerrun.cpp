#include "cli/Tworkerrun.h"

TWorkerRunner::TWorkerRunner() : Watcher([this] { Interrupt(); }) {}

void TWorkerRunner::Interrupt()
{
    std::lock_guard guard(RunningLock);
    WasInterrupted.store(true);
    if (Running != nullptr)
        Running->Terminate();
}

void TWorkerRunner::RunToEnd(TEventLoop& loop, TReportThread* worker, const std::function<void(TReportThread&)>& onEnd,
                             const std::function<void()>& tick)
{
    bool ended = false;
    worker->OnTerminate = [&](TReportThread* sender) {
        {
            // The worker is gone after its end handler; an interrupt then has nothing to stop.
            std::lock_guard guard(RunningLock);
            Running = nullptr;
        }
        onEnd(*sender);
        ended = true;
    };
    {
        std::lock_guard guard(RunningLock);
        Running = worker;
        if (WasInterrupted.load())
            worker->Terminate();
    }
    worker->Resume();
    loop.RunUntil([&] { return ended; }, std::chrono::milliseconds(250), tick);
    TReportThread::WaitForReleasedThreads();
}
