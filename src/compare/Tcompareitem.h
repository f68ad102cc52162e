#pragma once
// One relative path below the two roots of a comparison, with the verdict, the size and time
// differences (source minus destination) and what the comparison saw of the file on each side.
// Either side may be missing. The roots are kept once, by whoever keeps the items
// (TCompareRoots).

#include <cstdint>
#include <optional>
#include <string>

// The result kinds in their sort order.
enum class TCompareResult : std::int32_t {
    None = 0,
    Created = 1,
    Modified = 2,
    NotModified = 3,
    Ambiguous = 4,
    Unknown = 5,
    // A source file with no counterpart at its path whose old place is a destination-only file.
    Moved = 6,
    // A destination file with no source file at its path; the item's path is the destination's.
    DestinationOnly = 7,
};

// The display word; every value outside the kinds above reads "(Unknown)".
std::string ResultText(TCompareResult result);

// What a comparison saw of the file on one side: size in bytes, last-write time in units of
// 100 ns.
struct TSideFacts {
    std::int64_t Size = 0;
    std::int64_t Time = 0;
};

class TCompareItem {
public:
    TCompareItem() = default;
    TCompareItem(const TCompareItem& other);
    TCompareItem(TCompareItem&& other) noexcept;
    TCompareItem& operator=(const TCompareItem& other);
    TCompareItem& operator=(TCompareItem&& other) noexcept;
    ~TCompareItem();

    // The time difference in whole days, its magnitude rounded up.
    std::int64_t TimeRemainderDays() const;

    // What the comparison saw, so that the file operations can look again before they write:
    // the facts of each side where it had a file there, and the destination's change identity
    // (ChangeIdentity), 0 without one. Given once SizeRemainder is final.
    void SetSeen(const std::optional<TSideFacts>& source, const std::optional<TSideFacts>& destination,
                 std::uint64_t dstIdentity = 0);
    bool SrcExists() const { return SourceSeen; }
    bool DstExists() const;
    // Only a file on each side has a time difference to show.
    bool BothExist() const { return SourceSeen && DstExists(); }
    // The facts of a side, 0 where it has no file.
    std::int64_t SeenSrcSize() const { return SrcSize; }
    std::int64_t SeenSrcTime() const { return SrcTime; }
    std::int64_t SeenDstSize() const;
    std::int64_t SeenDstTime() const;
    std::uint64_t SeenDstIdentity() const { return DstIdentity; }

    // Where a "Moved" item's file stands under the destination root now, and what the
    // comparison saw of it there, in place of the destination's facts; set after SetSeen.
    void SetMovedFrom(std::string destinationPath, const TSideFacts& facts, std::uint64_t identity);
    // Empty for every other item.
    const std::string& MovedFrom() const;

    // Below the roots, with "/" between names.
    std::string Path;
    std::int64_t SizeRemainder = 0;
    // Units of 100 ns.
    std::int64_t TimeRemainder = 0;

private:
    // Where the destination's facts are; declared here, where the alignment of Result leaves
    // room for them anyway.
    enum class TSeenDestination : std::uint8_t { None, FromRemainder, Apart };
    TSeenDestination DestinationSeen = TSeenDestination::None;
    bool SourceSeen = false;

public:
    TCompareResult Result = TCompareResult::None;

private:
    struct TDestinationFacts {
        std::int64_t Size;
        std::int64_t Time;
        // A "Moved" item may have no destination at its own path; its old path is kept here too.
        bool Exists = true;
        std::string MovedFrom;
    };

    void ReleaseSeen() noexcept;

    std::int64_t SrcSize = 0;
    std::int64_t SrcTime = 0;
    std::uint64_t DstIdentity = 0;
    // The destination's size is the source's less SizeRemainder, for every pair but an
    // "(Unknown)" one, whose remainders are 0, and a "Moved" one: only these keep the
    // destination's facts apart, on the heap, so that a million items carry no room for the rare case.
    // Read as Destination only while DestinationSeen is Apart.
    union {
        std::int64_t DstTime = 0;
        TDestinationFacts* Destination;
    };
};
