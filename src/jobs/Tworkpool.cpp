#include "jobs/Tworkpool.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "sys/Tfilesystem.h"

namespace {
constexpr auto TickInterval = std::chrono::milliseconds(10);
// Ticks without a block read from the disk before the pool goes back to one thread a core.
constexpr int QuietTicksBeforeShrinking = 5;
}  // namespace

std::size_t CoreCount() { return std::max(1U, std::thread::hardware_concurrency()); }

TWorkPool::TWorkPool(int jobs) : Adaptive(jobs == 0), Cores(CoreCount())
{
    if (jobs < 0)
        throw std::invalid_argument("The number of threads cannot be negative.");
    const std::size_t threads =
        Adaptive ? std::max<std::size_t>(Cores, MaxAdaptiveThreads) : static_cast<std::size_t>(jobs);
    Active = Adaptive ? std::min(Cores, threads) : threads;
    for (std::size_t i = 0; i < threads; ++i)
        Workers.push_back(std::make_unique<TWorker>());
    if (threads == 1)
        return;
    try {
        for (std::size_t i = 0; i < threads; ++i)
            Threads.emplace_back(&TWorkPool::ThreadProc, this, i);
    } catch (...) {
        StopThreads();
        throw;
    }
}

TWorkPool::~TWorkPool() { StopThreads(); }

void TWorkPool::StopThreads()
{
    {
        std::lock_guard guard(Lock);
        Stopping = true;
    }
    WorkChanged.notify_all();
    Resting.notify_all();
    for (std::thread& thread : Threads)
        thread.join();
    Threads.clear();
}

int TWorkPool::ActiveThreads() const
{
    std::lock_guard guard(Lock);
    return static_cast<int>(Active);
}

namespace {
// The worker whose queue Add fills: the one running on this thread.
thread_local std::size_t CurrentWorker = 0;
}  // namespace

void TWorkPool::RunBeside(const TTask& own, std::vector<TTask> tasks)
{
    std::unique_lock run(RunLock, std::try_to_lock);
    // Waiting would stall the user-interface thread behind a comparison that may itself wait
    // for that thread.
    if (!run.owns_lock() || Threads.empty()) {
        own();
        for (const TTask& task : tasks)
            task();
        return;
    }
    {
        std::lock_guard guard(Lock);
        Unfinished = tasks.size();
        Failing = false;
        Error = nullptr;
    }
    const std::size_t active = static_cast<std::size_t>(ActiveThreads());
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        TWorker& worker = *Workers[i % active];
        std::lock_guard guard(worker.Lock);
        worker.Tasks.push_back(std::move(tasks[i]));
    }
    {
        std::lock_guard guard(Lock);
        ++Version;
    }
    WorkChanged.notify_all();
    try {
        own();
    } catch (...) {
        Fail(std::current_exception());
    }
    for (TTask task; TakeTask(0, task);)
        Execute(task);
    std::unique_lock guard(Lock);
    AllDone.wait(guard, [this] { return Unfinished == 0; });
    if (Error)
        std::rethrow_exception(Error);
}

void TWorkPool::Run(std::vector<TTask> tasks, const std::function<void()>& onTick)
{
    const std::lock_guard run(RunLock);
    {
        std::lock_guard guard(Lock);
        Unfinished = tasks.size();
        Failing = false;
        Error = nullptr;
    }
    // Each thread gets a stretch of neighbouring tasks to take from the start on, and thieves
    // take from the far end of a stretch: on a disk each thread then reads in order.
    const std::size_t stretch = (tasks.size() + Workers.size() - 1) / Workers.size();
    for (std::size_t i = tasks.size(); i-- > 0;) {
        TWorker& worker = *Workers[i / stretch];
        std::lock_guard guard(worker.Lock);
        worker.Tasks.push_back(std::move(tasks[i]));
    }
    tasks = {};
    if (Threads.empty()) {
        CurrentWorker = 0;
        for (TTask task; TakeTask(0, task);) {
            Execute(task);
            try {
                onTick();
            } catch (...) {
                Fail(std::current_exception());
            }
        }
    } else {
        {
            std::lock_guard guard(Lock);
            ++Version;
        }
        WorkChanged.notify_all();
        WaitForTasks(onTick);
    }
    std::exception_ptr error;
    {
        std::lock_guard guard(Lock);
        error = Error;
    }
    if (!error) {
        try {
            onTick();
        } catch (...) {
            error = std::current_exception();
        }
    }
    if (error)
        std::rethrow_exception(error);
}

void TWorkPool::WaitForTasks(const std::function<void()>& onTick)
{
    BlocksReadBefore = BlocksReadByThisProcess();
    std::unique_lock guard(Lock);
    while (Unfinished > 0) {
        AllDone.wait_for(guard, TickInterval, [this] { return Unfinished == 0; });
        if (Unfinished == 0)
            break;
        guard.unlock();
        try {
            onTick();
        } catch (...) {
            Fail(std::current_exception());
        }
        if (Adaptive)
            AdaptThreadCount();
        guard.lock();
    }
}

void TWorkPool::AdaptThreadCount()
{
    // A block read from the device means requests wait on the disk: then every thread helps.
    const std::int64_t blocksRead = BlocksReadByThisProcess();
    const bool readFromDisk = blocksRead != BlocksReadBefore;
    BlocksReadBefore = blocksRead;
    QuietTicks = readFromDisk ? 0 : QuietTicks + 1;
    if (readFromDisk)
        SetActive(Workers.size());
    else if (QuietTicks >= QuietTicksBeforeShrinking)
        SetActive(std::min(Cores, Workers.size()));
}

void TWorkPool::SetActive(std::size_t active)
{
    {
        std::lock_guard guard(Lock);
        if (Active == active)
            return;
        Active = active;
        ++Version;
    }
    WorkChanged.notify_all();
    Resting.notify_all();
}

void TWorkPool::Add(TTask task)
{
    // Counted before it can be taken: a thief that finished it first would otherwise make the
    // count reach zero while its parent still runs.
    if (!Threads.empty()) {
        std::lock_guard guard(Lock);
        ++Unfinished;
    }
    {
        TWorker& worker = *Workers[CurrentWorker];
        std::lock_guard guard(worker.Lock);
        worker.Tasks.push_back(std::move(task));
    }
    if (Threads.empty())
        return;
    {
        std::lock_guard guard(Lock);
        ++Version;
    }
    WorkChanged.notify_one();
}

void TWorkPool::ThreadProc(std::size_t index)
{
    CurrentWorker = index;
    std::unique_lock guard(Lock);
    while (!Stopping) {
        const std::uint64_t seen = Version;
        const bool mayWork = index < Active;
        guard.unlock();
        TTask task;
        if (mayWork && TakeTask(index, task)) {
            Execute(task);
            guard.lock();
            continue;
        }
        guard.lock();
        // Resting threads wait apart, so that the one wake-up a new task sends reaches a
        // thread that may take it.
        (mayWork ? WorkChanged : Resting).wait(guard, [&] { return Stopping || Version != seen; });
    }
}

bool TWorkPool::TakeTask(std::size_t index, TTask& task)
{
    {
        TWorker& own = *Workers[index];
        std::lock_guard guard(own.Lock);
        if (!own.Tasks.empty()) {
            task = std::move(own.Tasks.back());
            own.Tasks.pop_back();
            return true;
        }
    }
    // Every queue is looked at, also those of threads that are resting: their tasks still
    // have to be done.
    for (std::size_t step = 1; step < Workers.size(); ++step) {
        TWorker& victim = *Workers[(index + step) % Workers.size()];
        std::lock_guard guard(victim.Lock);
        if (!victim.Tasks.empty()) {
            task = std::move(victim.Tasks.front());
            victim.Tasks.pop_front();
            return true;
        }
    }
    return false;
}

void TWorkPool::Execute(TTask& task)
{
    bool skip = false;
    {
        std::lock_guard guard(Lock);
        skip = Failing;
    }
    if (!skip) {
        try {
            task();
        } catch (...) {
            Fail(std::current_exception());
        }
    }
    task = nullptr;
    if (Threads.empty())
        return;
    std::lock_guard guard(Lock);
    if (--Unfinished == 0)
        AllDone.notify_all();
}

void TWorkPool::Fail(std::exception_ptr error)
{
    std::lock_guard guard(Lock);
    Failing = true;
    if (!Error)
        Error = std::move(error);
}
