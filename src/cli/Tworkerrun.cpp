#include "cli/Tworkerrun.h"

TWorkerRunner::TWorkerRunner() : Watcher([this] { Interrupt(); }) {}

void TWorkerRunner::Interrupt()
{
    std::lock_guard guard(RunningLock);
    WasInterrupted.store(true);
    if (Running != nullptr)
        Running->Terminate();
}

void TWorkerRunner::RunToEnd(TEventLoop& loop, std::unique_ptr<TReportThread> worker, const std::function<void()>& tick)
{
    {
        std::lock_guard guard(RunningLock);
        Running = worker.get();
        if (WasInterrupted.load())
            worker->Terminate();
    }
    worker->Resume();
    loop.RunUntil([&] { return worker->Ended(); }, std::chrono::milliseconds(250), tick);
    {
        // An interrupt from now on has nothing to stop.
        std::lock_guard guard(RunningLock);
        Running = nullptr;
    }
    worker.reset();
}
