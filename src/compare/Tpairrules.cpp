#include "compare/Tpairrules.h"

TPairRules::TPairRules(const TCompareOptions& options)
    : FatPrecision(options.FatPrecision),
      IgnoreHourShift(options.IgnoreHourShift),
      CompareContents(options.CompareContents)
{}

namespace {
bool JudgeableFacts(std::int64_t sourceSize, std::int64_t sourceTime, const TFileFacts& destination)
{
    return !destination.IsDirectory && sourceSize >= 0 && destination.Size >= 0 && sourceTime > 0 &&
           destination.LastWriteTime > 0;
}
}  // namespace

bool TPairRules::ReadsContents(std::int64_t sourceSize, std::int64_t sourceTime,
                               const std::optional<TFileFacts>& destination) const
{
    return CompareContents && destination && JudgeableFacts(sourceSize, sourceTime, *destination) &&
           destination->Size == sourceSize;
}

void TPairRules::Judge(TCompareItem& item, std::int64_t sourceSize, std::int64_t sourceTime,
                       const std::optional<TFileFacts>& destination, TContentsVerdict contents) const
{
    if (!destination) {
        item.SizeRemainder = sourceSize;
        item.TimeRemainder = 0;
        item.Result = TCompareResult::Created;
        item.SetSeen(TSideFacts{sourceSize, sourceTime}, std::nullopt);
        return;
    }
    if (!JudgeableFacts(sourceSize, sourceTime, *destination) || contents == TContentsVerdict::Unreadable) {
        item.SizeRemainder = 0;
        item.TimeRemainder = 0;
        item.Result = TCompareResult::Unknown;
    } else {
        item.SizeRemainder = sourceSize - destination->Size;
        item.TimeRemainder = TimeRemainderOf(sourceTime, destination->LastWriteTime);
        item.Result = ResultOf(item.TimeRemainder, item.SizeRemainder);
        // Other bytes under times that say "Not modified" are a damaged or edited copy: listed.
        if (contents == TContentsVerdict::Same)
            item.Result = TCompareResult::NotModified;
        else if (contents == TContentsVerdict::Different && item.Result == TCompareResult::NotModified)
            item.Result = TCompareResult::Ambiguous;
    }
    item.SetSeen(TSideFacts{sourceSize, sourceTime}, TSideFacts{destination->Size, destination->LastWriteTime},
                 destination->Identity);
}

void TPairRules::JudgeDestinationOnly(TCompareItem& item, const TSideFacts& destination, std::uint64_t identity)
{
    item.SizeRemainder = -destination.Size;
    item.TimeRemainder = 0;
    item.Result = TCompareResult::DestinationOnly;
    item.SetSeen(std::nullopt, destination, identity);
}

std::int64_t TPairRules::TimeRemainderOf(std::int64_t sourceTime, std::int64_t destinationTime) const
{
    const std::int64_t remainder = PreciseRemainder(sourceTime, destinationTime);
    if (!IgnoreHourShift || remainder == 0 || sourceTime > INT64_MAX - HourShift)
        return remainder;
    // Shifted by an hour either way, the two times would be equal at the precision in force.
    for (const std::int64_t shift : {HourShift, -HourShift})
        if (PreciseRemainder(sourceTime - shift, destinationTime) == 0)
            return 0;
    return remainder;
}

std::vector<std::int64_t> TPairRules::FittingTimes(std::int64_t sourceTime) const
{
    if (!IgnoreHourShift || sourceTime > INT64_MAX - HourShift)
        return {sourceTime};
    return {sourceTime, sourceTime - HourShift, sourceTime + HourShift};
}

std::int64_t TPairRules::PreciseRemainder(std::int64_t sourceTime, std::int64_t destinationTime) const
{
    const std::int64_t difference = sourceTime - destinationTime;
    if (!FatPrecision)
        return difference;
    // A FAT file system on Linux truncates to an even second where others round up; two times
    // less than one step apart are one time written by either.
    if (difference > -FatTimeStep && difference < FatTimeStep)
        return 0;
    return RoundUpToFatTime(sourceTime) - RoundUpToFatTime(destinationTime);
}

std::int64_t TPairRules::RoundUpToFatTime(std::int64_t time)
{
    // The last step below the largest time stands for every time beyond it.
    if (time > INT64_MAX - (FatTimeStep - 1))
        return INT64_MAX / FatTimeStep * FatTimeStep;
    return (time + FatTimeStep - 1) / FatTimeStep * FatTimeStep;
}

TCompareResult TPairRules::ResultOf(std::int64_t timeRemainder, std::int64_t sizeRemainder)
{
    if (timeRemainder > 0)
        return TCompareResult::Modified;
    if (sizeRemainder != 0)
        return TCompareResult::Ambiguous;
    return TCompareResult::NotModified;
}
