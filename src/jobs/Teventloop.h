#pragma once
// A minimal user-interface thread for programs without a window system: the thread that
// constructs the loop runs the calls that workers post, while it waits for a condition.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "sys/Tmainthreadcaller.h"

class TEventLoop : public TMainThreadCaller {
public:
    TEventLoop();
    void CallAndWait(const std::function<void()>& call) override;
    // Runs posted calls until done() holds; done is tested on this thread after each call.
    void RunUntil(const std::function<bool()>& done);
    // The same, and calls tick whenever interval passes without a posted call.
    void RunUntil(const std::function<bool()>& done, std::chrono::milliseconds interval,
                  const std::function<void()>& tick);

private:
    struct TPosted;
    std::thread::id Owner;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<TPosted*> Posted;
};
