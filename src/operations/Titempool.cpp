#include "operations/Titempool.h"

#include <algorithm>
#include <stdexcept>

#include "jobs/Tworkpool.h"

TItemPool::TItemPool(int threads, std::function<bool()> stop) : Stop(std::move(stop))
{
    if (threads < 0)
        throw std::invalid_argument("The number of threads cannot be negative.");
    const std::size_t count = threads == 0 ? CoreCount() : static_cast<std::size_t>(threads);
    if (count == 1)
        return;
    try {
        for (std::size_t i = 1; i <= count; ++i)
            Workers.emplace_back(&TItemPool::ThreadProc, this, i);
    } catch (...) {
        Close();
        throw;
    }
}

TItemPool::~TItemPool() { Close(); }

void TItemPool::Close()
{
    {
        const std::lock_guard lock(Lock);
        Closing = true;
    }
    WorkChanged.notify_all();
    for (std::thread& worker : Workers)
        if (worker.joinable())
            worker.join();
}

void TItemPool::Add(TDestinationKey destination, TWork work)
{
    if (Workers.empty()) {
        work(0);
        return;
    }
    {
        const std::lock_guard lock(Lock);
        Waiting.push_back({std::move(destination), std::move(work)});
        ++Open;
    }
    WorkChanged.notify_one();
}

std::size_t TItemPool::Unfinished() const
{
    const std::lock_guard lock(Lock);
    return Open;
}

void TItemPool::WaitUntilUnfinished(std::size_t most, std::chrono::milliseconds longest)
{
    std::unique_lock lock(Lock);
    OwnerWaitsFor = most;
    WorkEnded.wait_for(lock, longest, [&] { return Open <= most; });
}

bool TItemPool::MayBegin(const TItem& item) const
{
    return std::none_of(Running.begin(), Running.end(),
                        [&](const TDestinationKey* running) { return running->MayMeet(item.Destination); });
}

void TItemPool::DropWaiting()
{
    Open -= Waiting.size();
    Waiting.clear();
    WorkEnded.notify_all();
}

void TItemPool::ThreadProc(std::size_t thread)
{
    std::unique_lock lock(Lock);
    for (;;) {
        WorkChanged.wait(lock,
                         [this] { return Closing || (!Waiting.empty() && (Stop() || MayBegin(Waiting.front()))); });
        if (Closing || Stop()) {
            DropWaiting();
            if (Closing)
                return;
            continue;
        }
        TItem item = std::move(Waiting.front());
        Waiting.pop_front();
        Running.push_back(&item.Destination);
        // The next work may begin beside this one.
        WorkChanged.notify_one();
        lock.unlock();
        item.Work(thread);
        lock.lock();
        Running.erase(std::find(Running.begin(), Running.end(), &item.Destination));
        if (--Open <= OwnerWaitsFor)
            WorkEnded.notify_all();
        WorkChanged.notify_all();
    }
}
