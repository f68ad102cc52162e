#include "sys/Tinterruptwatcher.h"

#include <atomic>
#include <csignal>
#include <thread>

#include <pthread.h>

struct TInterruptWatcher::TImpl {
    std::function<void()> OnInterrupt;
    sigset_t Watched{};
    sigset_t Previous{};
    std::atomic<bool> Stopping{false};
    std::atomic<bool> Interrupted{false};
    std::thread Watcher;

    void Watch()
    {
        for (;;) {
            int signal = 0;
            if (sigwait(&Watched, &signal) != 0)
                continue;
            if (Stopping.load())
                return;
            const bool interrupted = Interrupted.load();
            if (interrupted && signal == SIGINT) {
                // The user insists: end now, as the signal itself would have.
                std::signal(signal, SIG_DFL);
                pthread_sigmask(SIG_UNBLOCK, &Watched, nullptr);
                std::raise(signal);
                return;
            }
            // A SIGTERM after the first is the same request again: timeout(1) sends one to the
            // process and one to its group, and the stop under way is what both ask for.
            if (!interrupted) {
                Interrupted.store(true);
                OnInterrupt();
            }
        }
    }
};

TInterruptWatcher::TInterruptWatcher(std::function<void()> onInterrupt) : Impl(std::make_unique<TImpl>())
{
    Impl->OnInterrupt = std::move(onInterrupt);
    sigemptyset(&Impl->Watched);
    sigaddset(&Impl->Watched, SIGINT);
    sigaddset(&Impl->Watched, SIGTERM);
    // Threads started from now on inherit the mask and leave the signals to the watcher.
    pthread_sigmask(SIG_BLOCK, &Impl->Watched, &Impl->Previous);
    Impl->Watcher = std::thread(&TImpl::Watch, Impl.get());
}

TInterruptWatcher::~TInterruptWatcher()
{
    Impl->Stopping.store(true);
    // Wakes the watcher from its wait; it sees Stopping and returns.
    // NOLINTNEXTLINE(bugprone-bad-signal-to-kill-thread)
    pthread_kill(Impl->Watcher.native_handle(), SIGTERM);
    Impl->Watcher.join();
    // timeout(1)'s second SIGTERM may still be on its way, or pending: once unblocked it would
    // kill the stopped run before its last lines are out.
    if (Impl->Interrupted.load())
        std::signal(SIGTERM, SIG_IGN);
    pthread_sigmask(SIG_SETMASK, &Impl->Previous, nullptr);
}
