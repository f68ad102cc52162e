#pragma once
// One source file paired with the same relative path under the destination root, with the
// verdict and the size and time differences (source minus destination).

#include <cstdint>
#include <string>

// The result kinds in their sort order.
enum class TCompareResult : std::int32_t {
    None = 0,
    Created = 1,
    Modified = 2,
    NotModified = 3,
    Ambiguous = 4,
    Unknown = 5,
};

// The display word; every value outside None..Ambiguous reads "(Unknown)".
std::string ResultText(TCompareResult result);

class TCompareItem {
public:
    TCompareItem() = default;
    TCompareItem(const TCompareItem& other);
    TCompareItem(TCompareItem&& other) noexcept;
    TCompareItem& operator=(const TCompareItem& other);
    TCompareItem& operator=(TCompareItem&& other) noexcept;
    virtual ~TCompareItem();

    // The time difference in whole days, its magnitude rounded up.
    std::int64_t TimeRemainderDays() const;

    // What the comparison saw, so that the file operations can look again before they write:
    // sizes in bytes, last-write times in units of 100 ns and the destination's change
    // identity (ChangeIdentity), those of the destination 0 where there was none. Given once
    // SizeRemainder is final.
    void SetSeen(std::int64_t srcSize, std::int64_t srcTime, std::int64_t dstSize, std::int64_t dstTime,
                 std::uint64_t dstIdentity);
    std::int64_t SeenSrcSize() const { return SrcSize; }
    std::int64_t SeenSrcTime() const { return SrcTime; }
    std::int64_t SeenDstSize() const;
    std::int64_t SeenDstTime() const;
    std::uint64_t SeenDstIdentity() const { return DstIdentity; }

    std::string SrcPath;
    std::string DstPath;
    std::int64_t SizeRemainder = 0;
    // Units of 100 ns.
    std::int64_t TimeRemainder = 0;
    bool DstExists = false;

private:
    // Where the destination's facts are; declared here, where the alignment of Result leaves
    // room for it anyway.
    enum class TSeenDestination : std::uint8_t { NotGiven, FromRemainder, Apart };
    TSeenDestination DestinationSeen = TSeenDestination::NotGiven;

public:
    TCompareResult Result = TCompareResult::None;

private:
    struct TDestinationFacts {
        std::int64_t Size;
        std::int64_t Time;
    };

    void ReleaseSeen() noexcept;

    std::int64_t SrcSize = 0;
    std::int64_t SrcTime = 0;
    std::uint64_t DstIdentity = 0;
    // The destination's size is the source's less SizeRemainder, for every pair but an
    // "(Unknown)" one, whose remainders are 0: only such a pair keeps its destination's
    // facts apart, on the heap, so that a million items carry no room for the rare case.
    // Read as Destination only while DestinationSeen is Apart.
    union {
        std::int64_t DstTime = 0;
        TDestinationFacts* Destination;
    };
};
