#pragma once
// Runs the work of a list's items on a few threads of its own, each work begun in the order it
// was added. A work whose destination may meet that of one still running waits for it to end,
// and every work after it waits too: the file system sees such items in the order of the list,
// and once the owner stops, the works begun are always the first ones added. One thread means
// none of its own: each work runs on the owner's thread as it is added.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "operations/Tdestinationkey.h"

class TItemPool {
public:
    // thread: 0 for the owner's, 1 and on for the pool's own.
    using TWork = std::function<void(std::size_t thread)>;

    // threads: at least 1; 0 for one a core. Once stop says so, the works not begun are
    // dropped; it is asked under the pool's lock, so it must only read.
    TItemPool(int threads, std::function<bool()> stop);
    // Drops the works not begun and waits for the others.
    ~TItemPool();
    TItemPool(const TItemPool&) = delete;
    TItemPool& operator=(const TItemPool&) = delete;

    // The threads that run works, the owner's counted where it runs them itself.
    std::size_t Threads() const { return std::max<std::size_t>(Workers.size(), 1); }
    // The work must not throw.
    void Add(TDestinationKey destination, TWork work);
    // The works added that neither ended nor were dropped.
    std::size_t Unfinished() const;
    // Returns once at most so many works are unfinished, so that the owner wakes for a few ends
    // at once, or after the longest wait.
    void WaitUntilUnfinished(std::size_t most, std::chrono::milliseconds longest);

private:
    struct TItem {
        TDestinationKey Destination;
        TWork Work;
    };

    void Close();
    void ThreadProc(std::size_t thread);
    // Under the lock.
    bool MayBegin(const TItem& item) const;
    void DropWaiting();

    std::function<bool()> Stop;
    mutable std::mutex Lock;
    // For the pool's threads: a work was added or one ended.
    std::condition_variable WorkChanged;
    // For the owner.
    std::condition_variable WorkEnded;
    std::deque<TItem> Waiting;
    std::vector<const TDestinationKey*> Running;
    std::size_t Open = 0;
    // What the owner waits for.
    std::size_t OwnerWaitsFor = 0;
    bool Closing = false;
    std::vector<std::thread> Workers;
};
