#pragma once
// A few threads that share the tasks of one job with work stealing: each thread takes the
// newest task of its own queue, and an idle one takes the oldest task of another's, which in
// a tree walk is the biggest piece of work left. The thread that owns the pool waits for the
// tasks and keeps its own duties (reports) in the meantime.
//
// The number of threads adapts unless it is fixed: about one per core while the file system
// answers from its cache, up to MaxAdaptiveThreads while requests wait on the disk, where more
// requests in flight let the device serve them in a better order. One thread means no pool
// thread at all: the owner runs every task itself.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The cores the system offers, at least one.
std::size_t CoreCount();

class TWorkPool {
public:
    using TTask = std::function<void()>;

    static constexpr int MaxAdaptiveThreads = 8;

    // jobs: the number of threads, at least 1; 0 lets the pool choose and adapt.
    explicit TWorkPool(int jobs);
    ~TWorkPool();
    TWorkPool(const TWorkPool&) = delete;
    TWorkPool& operator=(const TWorkPool&) = delete;

    // Runs the tasks, and every task they add, to their end. onTick runs on the calling thread
    // now and then while tasks run (after each task when there is one thread, else about every
    // 10 ms) and once after the last. The first exception of a task or of onTick is raised
    // here once no task runs any more; the tasks not begun by then are dropped.
    void Run(std::vector<TTask> tasks, const std::function<void()>& onTick);
    // Runs own on the calling thread while the pool's threads take the tasks, and then takes
    // those still waiting; returns once all have ended. Made for short work a user waits on:
    // while another run holds the pool, the calling thread runs them all itself. The first
    // exception is raised once no task runs any more; the tasks not begun by then are dropped.
    void RunBeside(const TTask& own, std::vector<TTask> tasks);
    // From a running task: queues a task on the calling thread's own queue.
    void Add(TTask task);

    // The threads that take tasks: the fixed count, or the adaptive count's present value.
    int ActiveThreads() const;

private:
    struct TWorker {
        std::mutex Lock;
        std::deque<TTask> Tasks;
    };

    void StopThreads();
    void ThreadProc(std::size_t index);
    bool TakeTask(std::size_t index, TTask& task);
    void Execute(TTask& task);
    void Fail(std::exception_ptr error);
    void WaitForTasks(const std::function<void()>& onTick);
    void AdaptThreadCount();
    void SetActive(std::size_t active);

    // Held by a run from its start to its end: a pool serves one run at a time.
    std::mutex RunLock;
    std::vector<std::unique_ptr<TWorker>> Workers;
    std::vector<std::thread> Threads;
    const bool Adaptive;
    const std::size_t Cores;

    // Guards the fields below and the sleeping of idle threads.
    mutable std::mutex Lock;
    std::condition_variable WorkChanged;
    std::condition_variable Resting;
    std::condition_variable AllDone;
    std::uint64_t Version = 0;
    std::size_t Active = 1;
    std::size_t Unfinished = 0;
    bool Stopping = false;
    bool Failing = false;
    std::exception_ptr Error;

    std::int64_t BlocksReadBefore = 0;
    int QuietTicks = 0;
};
