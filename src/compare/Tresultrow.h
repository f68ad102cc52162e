#pragma once
// The six texts of a result-list row, made from its item whenever they are wanted, and the
// column captions. The desktop list shows them and the list export writes them.

#include <array>
#include <string>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareroots.h"

enum class TResultColumn { Name, Directory, Extension, SizeRemainder, TimeRemainder, Result };

inline constexpr std::size_t ResultColumnCount = 6;

// "Name", "Directory", "Extension", "Size remainder", "Time reminder", "Result".
const std::array<std::string, ResultColumnCount>& ResultColumnCaptions();

using TResultRowTexts = std::array<std::string, ResultColumnCount>;

// Name, directory and extension of the source path below roots; the size difference as
// "+1,234 bytes"; the day difference as "-3 days", or "None" without a file on both sides; the
// result word.
TResultRowTexts ResultRowTexts(const TCompareItem& item, const TCompareRoots& roots);
std::string ResultRowText(const TCompareItem& item, const TCompareRoots& roots, TResultColumn column);
