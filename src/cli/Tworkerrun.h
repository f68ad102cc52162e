#pragma once
// Runs workers to their end on this thread's event loop, for the whole life of a command:
// Ctrl+C asks the running worker to stop (a file in hand is stopped between two pieces and its
// copy discarded, so no file is left half-written) and keeps any further worker from starting.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "jobs/Teventloop.h"
#include "jobs/Treportthread.h"
#include "sys/Tinterruptwatcher.h"

class TWorkerRunner {
public:
    // Construct before any worker thread exists, so that workers leave Ctrl+C to the runner.
    TWorkerRunner();

    bool Interrupted() const { return WasInterrupted.load(); }
    // Starts the worker, whose handlers are attached, and returns once its end handler has
    // run and its thread has ended; the worker is released then. tick, where given, runs a few
    // times a second while the worker runs.
    void RunToEnd(TEventLoop& loop, std::unique_ptr<TReportThread> worker, const std::function<void()>& tick = {});

private:
    void Interrupt();

    std::mutex RunningLock;
    TReportThread* Running = nullptr;
    std::atomic<bool> WasInterrupted{false};
    // Last: its thread calls back into the fields above.
    TInterruptWatcher Watcher;
};
