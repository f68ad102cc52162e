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
    TCompareItem(const TCompareItem&) = default;
    TCompareItem(TCompareItem&&) = default;
    TCompareItem& operator=(const TCompareItem&) = default;
    TCompareItem& operator=(TCompareItem&&) = default;
    virtual ~TCompareItem() = default;

    // The time difference in whole days, its magnitude rounded up.
    std::int64_t TimeRemainderDays() const;

    std::string SrcPath;
    std::string DstPath;
    std::int64_t SizeRemainder = 0;
    // Units of 100 ns.
    std::int64_t TimeRemainder = 0;
    bool DstExists = false;
    TCompareResult Result = TCompareResult::None;
    // What the comparison saw, so that the file operations can look again before they write:
    // sizes in bytes and last-write times in units of 100 ns, of the destination only where
    // DstExists.
    std::int64_t SrcSize = 0;
    std::int64_t SrcTime = 0;
    std::int64_t DstSize = 0;
    std::int64_t DstTime = 0;
};
