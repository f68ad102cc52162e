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

std::string ResultRowText(const TCompareItem& item, TResultColumn column)
{
    switch (column) {
    case TResultColumn::Name:
        return FileNamePart(item.SrcPath);
    case TResultColumn::Directory:
        return DirectoryPart(item.SrcPath);
    case TResultColumn::Extension:
        return ExtensionPart(item.SrcPath);
    case TResultColumn::SizeRemainder:
        return SignedCount(item.SizeRemainder, " bytes");
    case TResultColumn::TimeRemainder:
        return item.DstExists ? SignedCount(item.TimeRemainderDays(), " days") : std::string("None");
    case TResultColumn::Result:
        return ResultText(item.Result);
    }
    return {};
}

TResultRowTexts ResultRowTexts(const TCompareItem& item)
{
    TResultRowTexts texts;
    for (std::size_t column = 0; column < ResultColumnCount; ++column)
        texts[column] = ResultRowText(item, static_cast<TResultColumn>(column));
    return texts;
}
