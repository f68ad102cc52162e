#pragma once
// How long a test waits for what must come before it calls it a hang. Every wait ends as soon
// as its condition holds, so the bound only has to outlast a machine under any load.

#include <chrono>
#include <functional>
#include <thread>

inline constexpr int HangGuardMilliseconds = 120000;

// Waits, looking again after each pause, until the condition holds: false when the bound ran
// out first.
inline bool WaitWithinHangGuard(const std::function<bool()>& holds,
                                std::chrono::milliseconds pause = std::chrono::milliseconds(1))
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(HangGuardMilliseconds);
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= giveUp)
            return false;
        std::this_thread::sleep_for(pause);
    }
    return true;
}
