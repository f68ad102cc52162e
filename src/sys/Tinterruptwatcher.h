#pragma once
// While one lives, Ctrl+C (SIGINT) and SIGTERM ask for a graceful stop instead of killing the
// process in the middle of a file; a second Ctrl+C ends the process at once, a second SIGTERM
// changes nothing. Construct it before starting worker threads, so that they leave the signals
// to it.

#include <functional>
#include <memory>

class TInterruptWatcher {
public:
    // onInterrupt runs on the watcher's own thread.
    explicit TInterruptWatcher(std::function<void()> onInterrupt);
    ~TInterruptWatcher();
    TInterruptWatcher(const TInterruptWatcher&) = delete;
    TInterruptWatcher& operator=(const TInterruptWatcher&) = delete;

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
