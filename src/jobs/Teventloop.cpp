#include "jobs/Teventloop.h"

#include <exception>

struct TEventLoop::TPosted {
    const std::function<void()>& Call;
    std::exception_ptr Error;
    bool Done = false;
};

TEventLoop::TEventLoop() : Owner(std::this_thread::get_id()) {}

void TEventLoop::CallAndWait(const std::function<void()>& call)
{
    if (std::this_thread::get_id() == Owner) {
        call();
        return;
    }
    TPosted posted{call, nullptr, false};
    std::unique_lock guard(Lock);
    Posted.push_back(&posted);
    Changed.notify_all();
    Changed.wait(guard, [&] { return posted.Done; });
    if (posted.Error)
        std::rethrow_exception(posted.Error);
}

void TEventLoop::RunUntil(const std::function<bool()>& done) { RunUntil(done, std::chrono::milliseconds::max(), {}); }

void TEventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds interval,
                          const std::function<void()>& tick)
{
    using TClock = std::chrono::steady_clock;
    // Ticks keep their pace however busy the workers keep the loop.
    TClock::time_point nextTick = tick ? TClock::now() + interval : TClock::time_point::max();
    std::unique_lock guard(Lock);
    while (!done()) {
        if (tick && TClock::now() >= nextTick) {
            guard.unlock();
            tick();
            guard.lock();
            nextTick = TClock::now() + interval;
            continue;
        }
        if (!tick)
            Changed.wait(guard, [&] { return !Posted.empty(); });
        else if (!Changed.wait_until(guard, nextTick, [&] { return !Posted.empty(); }))
            continue;
        TPosted* posted = Posted.front();
        Posted.pop_front();
        guard.unlock();
        try {
            posted->Call();
        } catch (...) {
            posted->Error = std::current_exception();
        }
        guard.lock();
        posted->Done = true;
        Changed.notify_all();
    }
}
