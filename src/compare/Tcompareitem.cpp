#include "compare/Tcompareitem.h"

#include <utility>

std::string ResultText(TCompareResult result)
{
    switch (result) {
    case TCompareResult::None:
        return "None";
    case TCompareResult::Created:
        return "Created";
    case TCompareResult::Modified:
        return "Modified";
    case TCompareResult::NotModified:
        return "Not modified";
    case TCompareResult::Ambiguous:
        return "Ambiguous";
    default:
        return "(Unknown)";
    }
}

TCompareItem::TCompareItem(const TCompareItem& other)
    : SrcPath(other.SrcPath),
      DstPath(other.DstPath),
      SizeRemainder(other.SizeRemainder),
      TimeRemainder(other.TimeRemainder),
      DstExists(other.DstExists),
      DestinationSeen(other.DestinationSeen),
      Result(other.Result),
      SrcSize(other.SrcSize),
      SrcTime(other.SrcTime),
      DstIdentity(other.DstIdentity)
{
    if (DestinationSeen == TSeenDestination::Apart)
        Destination = new TDestinationFacts(*other.Destination);
    else
        DstTime = other.DstTime;
}

TCompareItem::TCompareItem(TCompareItem&& other) noexcept
    : SrcPath(std::move(other.SrcPath)),
      DstPath(std::move(other.DstPath)),
      SizeRemainder(other.SizeRemainder),
      TimeRemainder(other.TimeRemainder),
      DstExists(other.DstExists),
      DestinationSeen(std::exchange(other.DestinationSeen, TSeenDestination::NotGiven)),
      Result(other.Result),
      SrcSize(other.SrcSize),
      SrcTime(other.SrcTime),
      DstIdentity(other.DstIdentity)
{
    if (DestinationSeen == TSeenDestination::Apart)
        Destination = std::exchange(other.Destination, nullptr);
    else
        DstTime = other.DstTime;
}

TCompareItem& TCompareItem::operator=(const TCompareItem& other)
{
    if (this != &other)
        *this = TCompareItem(other);
    return *this;
}

TCompareItem& TCompareItem::operator=(TCompareItem&& other) noexcept
{
    if (this == &other)
        return *this;
    ReleaseSeen();
    SrcPath = std::move(other.SrcPath);
    DstPath = std::move(other.DstPath);
    SizeRemainder = other.SizeRemainder;
    TimeRemainder = other.TimeRemainder;
    DstExists = other.DstExists;
    Result = other.Result;
    SrcSize = other.SrcSize;
    SrcTime = other.SrcTime;
    DstIdentity = other.DstIdentity;
    DestinationSeen = std::exchange(other.DestinationSeen, TSeenDestination::NotGiven);
    if (DestinationSeen == TSeenDestination::Apart)
        Destination = std::exchange(other.Destination, nullptr);
    else
        DstTime = other.DstTime;
    return *this;
}

TCompareItem::~TCompareItem() { ReleaseSeen(); }

void TCompareItem::ReleaseSeen() noexcept
{
    if (DestinationSeen == TSeenDestination::Apart)
        delete Destination;
    DestinationSeen = TSeenDestination::NotGiven;
    DstTime = 0;
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

namespace {
// Wraps where the signed difference would overflow; the size given back is exact either way.
std::int64_t SizeLess(std::int64_t size, std::int64_t remainder)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(size) - static_cast<std::uint64_t>(remainder));
}
}  // namespace

void TCompareItem::SetSeen(std::int64_t srcSize, std::int64_t srcTime, std::int64_t dstSize, std::int64_t dstTime,
                           std::uint64_t dstIdentity)
{
    ReleaseSeen();
    SrcSize = srcSize;
    SrcTime = srcTime;
    DstIdentity = dstIdentity;
    if (dstSize == SizeLess(srcSize, SizeRemainder)) {
        DstTime = dstTime;
        DestinationSeen = TSeenDestination::FromRemainder;
        return;
    }
    Destination = new TDestinationFacts{dstSize, dstTime};
    DestinationSeen = TSeenDestination::Apart;
}

std::int64_t TCompareItem::SeenDstSize() const
{
    switch (DestinationSeen) {
    case TSeenDestination::FromRemainder:
        return SizeLess(SrcSize, SizeRemainder);
    case TSeenDestination::Apart:
        return Destination->Size;
    default:
        return 0;
    }
}

std::int64_t TCompareItem::SeenDstTime() const
{
    return DestinationSeen == TSeenDestination::Apart ? Destination->Time : DstTime;
}
