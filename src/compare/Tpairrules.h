#pragma once
// How a source file and its counterpart under the destination root are judged: the verdict and
// the size and time remainders from their sizes and last-write times, at the precision and
// with the hour shift the options ask for.

#include <cstdint>
#include <optional>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "sys/Tfilesystem.h"

class TPairRules {
public:
    explicit TPairRules(const TCompareOptions& options);

    // Two seconds in 100-ns ticks: the granularity of FAT file times.
    static constexpr std::int64_t FatTimeStep = 20'000'000;
    static constexpr std::int64_t HourShift = 3600LL * 10'000'000;
    static std::int64_t RoundUpToFatTime(std::int64_t time);
    static TCompareResult ResultOf(std::int64_t timeRemainder, std::int64_t sizeRemainder);

    // Gives the item its verdict, remainders and seen facts from the source's facts, what the
    // lookup found under the destination root and, where read, what their contents are.
    void Judge(TCompareItem& item, std::int64_t sourceSize, std::int64_t sourceTime,
               const std::optional<TFileFacts>& destination,
               TContentsVerdict contents = TContentsVerdict::NotRead) const;
    // Whether the pair's contents are to be read: asked for, and two files of one size whose
    // facts can be judged.
    bool ReadsContents(std::int64_t sourceSize, std::int64_t sourceTime,
                       const std::optional<TFileFacts>& destination) const;
    // Gives a destination file that has no source file its item: "Only in destination", the
    // size remainder the negative of its size.
    static void JudgeDestinationOnly(TCompareItem& item, const TSideFacts& destination, std::uint64_t identity);
    // The times near which a destination time must lie to fit the source's: the source's own,
    // and an hour either side of it where the hour shift is ignored. Whatever fits lies within
    // two FAT time steps of one of them.
    std::vector<std::int64_t> FittingTimes(std::int64_t sourceTime) const;
    std::int64_t TimeRemainderOf(std::int64_t sourceTime, std::int64_t destinationTime) const;

private:
    // Without the hour shift.
    std::int64_t PreciseRemainder(std::int64_t sourceTime, std::int64_t destinationTime) const;

    bool FatPrecision;
    bool IgnoreHourShift;
    bool CompareContents;
};
