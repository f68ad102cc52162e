#include "compare/Tcompareitem.h"

std::string ResultText(TCompareResult result)
{
    switch (result) {
    case TCompareResult::None: return "None";
    case TCompareResult::Created: return "Created";
    case TCompareResult::Modified: return "Modified";
    case TCompareResult::NotModified: return "Not modified";
    case TCompareResult::Ambiguous: return "Ambiguous";
    default: return "(Unknown)";
    }
}

std::int64_t TCompareItem::TimeRemainderDays() const
{
    constexpr std::int64_t TicksPerDay = 864'000'000'000;
    // The same as (t + s * (D - 1)) / D truncated, without overflow at the extremes.
    const std::int64_t days = TimeRemainder / TicksPerDay;
    if (TimeRemainder % TicksPerDay == 0)
        return days;
    return TimeRemainder > 0 ? days + 1 : days - 1;
}
