#pragma once
// When the copies that a move made are due to be made durable together, so that their sources
// can go. One sync of a file system costs about as much as copying a few dozen small files, so
// it is bought for many files at once; yet no source waits long for its deletion, and a stop
// or a kill finds little in hand.

#include <algorithm>
#include <chrono>
#include <cstdint>

class TMoveBatch {
public:
    using TClock = std::chrono::steady_clock;

    // A copy of so many bytes joined the batch.
    void Add(std::int64_t bytes, TClock::time_point now)
    {
        if (Files == 0)
            Started = now;
        ++Files;
        Bytes += std::max<std::int64_t>(bytes, 0);
        Last = now;
    }
    bool Due() const { return Files >= MostFiles || Bytes >= MostBytes || Last - Started >= MostTime; }
    bool Empty() const { return Files == 0; }
    void Clear()
    {
        Files = 0;
        Bytes = 0;
    }

private:
    // Each copy in a batch keeps its source open until the deletion looks at it again: half the
    // usual limit of 1,024 descriptors leaves the rest of the program enough. At about a
    // millisecond a small file, the sync then costs a tenth of the batch's time or less.
    static constexpr std::int32_t MostFiles = 512;
    // What the sync may find still unwritten: a few seconds on a slow card.
    static constexpr std::int64_t MostBytes = std::int64_t{64} << 20;
    // A source then stays at most about a second longer than its copy is whole.
    static constexpr TClock::duration MostTime = std::chrono::seconds(1);

    std::int32_t Files = 0;
    std::int64_t Bytes = 0;
    TClock::time_point Started;
    TClock::time_point Last;
};
