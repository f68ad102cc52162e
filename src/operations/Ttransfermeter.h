#pragma once
// What a run of the operations will touch and, while it runs, how far it has come in items
// and bytes, how fast the bytes go and how long the rest will take: the line that the
// operations dialog and vellumark-cli show beside the item count of the log.

#include <chrono>
#include <cstdint>
#include <string>

class TTransferMeter {
public:
    using TClock = std::chrono::steady_clock;

    // "3 items, 1.2 MB": what a run over these items touches.
    static std::string PlanText(std::int64_t items, std::int64_t bytes);

    void Start(std::int64_t items, std::int64_t bytes, TClock::time_point now);
    void Sample(std::int64_t itemsDone, std::int64_t bytesDone, TClock::time_point now);
    // The run has ended, however: what it came to, without a rate or a time left.
    void End(std::int64_t itemsDone, std::int64_t bytesDone);

    // The whole percentage of the bytes done, or of the items where the run has no bytes to
    // count.
    std::int32_t Percent() const;

    // "2 of 3 items, 0.8 MB of 1.2 MB, 4.0 MB/s, 1 s left"; the rate and the time left once
    // there is a rate to tell, and while the run goes on.
    std::string Text() const;

private:
    std::int64_t Items = 0;
    std::int64_t Bytes = 0;
    std::int64_t ItemsDone = 0;
    std::int64_t BytesDone = 0;
    TClock::time_point Started;
    double Seconds = 0;
    bool Ended = false;
};
