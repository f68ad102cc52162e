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
    case TCompareResult::Moved:
        return "Moved";
    case TCompareResult::DestinationOnly:
        return "Only in destination";
    default:
        return "(Unknown)";
    }
}

TCompareItem::TCompareItem(const TCompareItem& other)
    : Path(other.Path),
      SizeRemainder(other.SizeRemainder),
      TimeRemainder(other.TimeRemainder),
      DestinationSeen(other.DestinationSeen),
      SourceSeen(other.SourceSeen),
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
    : Path(std::move(other.Path)),
      SizeRemainder(other.SizeRemainder),
      TimeRemainder(other.TimeRemainder),
      DestinationSeen(std::exchange(other.DestinationSeen, TSeenDestination::None)),
      SourceSeen(other.SourceSeen),
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
    Path = std::move(other.Path);
    SizeRemainder = other.SizeRemainder;
    TimeRemainder = other.TimeRemainder;
    SourceSeen = other.SourceSeen;
    Result = other.Result;
    SrcSize = other.SrcSize;
    SrcTime = other.SrcTime;
    DstIdentity = other.DstIdentity;
    DestinationSeen = std::exchange(other.DestinationSeen, TSeenDestination::None);
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
    DestinationSeen = TSeenDestination::None;
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

void TCompareItem::SetSeen(const std::optional<TSideFacts>& source, const std::optional<TSideFacts>& destination,
                           std::uint64_t dstIdentity)
{
    ReleaseSeen();
    SourceSeen = source.has_value();
    SrcSize = source ? source->Size : 0;
    SrcTime = source ? source->Time : 0;
    DstIdentity = destination ? dstIdentity : 0;
    if (!destination)
        return;
    if (destination->Size == SizeLess(SrcSize, SizeRemainder)) {
        DstTime = destination->Time;
        DestinationSeen = TSeenDestination::FromRemainder;
        return;
    }
    Destination = new TDestinationFacts{destination->Size, destination->Time, true, {}};
    DestinationSeen = TSeenDestination::Apart;
}

void TCompareItem::SetMovedFrom(std::string destinationPath, const TSideFacts& facts, std::uint64_t identity)
{
    if (DestinationSeen != TSeenDestination::Apart) {
        Destination = new TDestinationFacts{facts.Size, facts.Time, DstExists(), {}};
        DestinationSeen = TSeenDestination::Apart;
    } else {
        Destination->Size = facts.Size;
        Destination->Time = facts.Time;
    }
    DstIdentity = identity;
    Destination->MovedFrom = std::move(destinationPath);
}

const std::string& TCompareItem::MovedFrom() const
{
    static const std::string none;
    return DestinationSeen == TSeenDestination::Apart ? Destination->MovedFrom : none;
}

bool TCompareItem::DstExists() const
{
    switch (DestinationSeen) {
    case TSeenDestination::FromRemainder:
        return true;
    case TSeenDestination::Apart:
        return Destination->Exists;
    default:
        return false;
    }
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
