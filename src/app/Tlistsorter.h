#pragma once
// The orders of the result list. A sort code is one key, plus SortDescending for the reverse
// order. Rows with equal keys keep their present order, and a descending order is the exact
// reverse of the ascending one, equal keys included.

#include <cstdint>
#include <optional>
#include <vector>

#include "app/Tresultlistmodel.h"

using TSortCode = std::int32_t;

namespace SortCode {
inline constexpr TSortCode Name = 1;
inline constexpr TSortCode Directory = 2;
inline constexpr TSortCode Extension = 4;
inline constexpr TSortCode SizeRemainder = 8;
inline constexpr TSortCode TimeRemainder = 16;
inline constexpr TSortCode Result = 64;
inline constexpr TSortCode AbsoluteName = 128;
inline constexpr TSortCode Descending = 256;
}  // namespace SortCode

// The keys of every row for one sort code, taken once; texts are ranked by their collation
// keys in the user's locale up front, so no comparison of two rows goes back to the collator.
class TListSorter {
public:
    TListSorter(const TResultListModel& list, TSortCode code);

    // Negative when the row at present position a goes first, positive when b does; never 0
    // for two different rows.
    int CompareListItems(std::uint32_t a, std::uint32_t b) const;
    // The sorted order: entry i is the present position of the row that goes to position i.
    std::vector<std::uint32_t> Order() const;

private:
    bool Descending;
    // The key of the row at each present position; for a text, its rank among the texts.
    std::vector<std::int64_t> Keys;
    // For texts, the number of ranks: few and dense, they are put in order by counting.
    std::optional<std::uint32_t> RankCount;
};
