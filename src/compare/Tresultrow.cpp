#include "compare/Tresultrow.h"

#include "sys/Mysysutils.h"

const std::array<std::string, ResultColumnCount>& ResultColumnCaptions()
{
    static const std::array<std::string, ResultColumnCount> captions = {"Name",           "Directory",     "Extension",
                                                                        "Size remainder", "Time reminder", "Result"};
    return captions;
}

namespace {
std::string SignedCount(std::int64_t value, const char* unit)
{
    return AddPlusSign(GroupDigits(std::to_string(value))) + unit;
}
}  // namespace

std::string ResultRowText(const TCompareItem& item, const TCompareRoots& roots, TResultColumn column)
{
    switch (column) {
    case TResultColumn::Name:
        return FileNamePart(item.Path);
    case TResultColumn::Directory: {
        // The directory part is a prefix of the whole path: cut in place, not copied again.
        std::string path =
            item.Result == TCompareResult::DestinationOnly ? roots.DestinationPath(item) : roots.SourcePath(item);
        path.resize(DirectoryView(path).size());
        return path;
    }
    case TResultColumn::Extension:
        return ExtensionPart(item.Path);
    case TResultColumn::SizeRemainder:
        return SignedCount(item.SizeRemainder, " bytes");
    case TResultColumn::TimeRemainder:
        return item.BothExist() ? SignedCount(item.TimeRemainderDays(), " days") : std::string("None");
    case TResultColumn::Result:
        return ResultText(item.Result);
    }
    return {};
}

TResultRowTexts ResultRowTexts(const TCompareItem& item, const TCompareRoots& roots)
{
    TResultRowTexts texts;
    for (std::size_t column = 0; column < ResultColumnCount; ++column)
        texts[column] = ResultRowText(item, roots, static_cast<TResultColumn>(column));
    return texts;
}
