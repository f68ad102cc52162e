#include "compare/Tresultrow.h"

#include "sys/Mysysutils.h"

const std::array<std::string, ResultColumnCount>& ResultColumnCaptions()
{
    static const std::array<std::string, ResultColumnCount> captions = {
        "Name", "Directory", "Extension", "Size remainder", "Time reminder", "Result"};
    return captions;
}

namespace {
std::string SignedCount(std::int64_t value, const char* unit)
{
    return AddPlusSign(GroupDigits(std::to_string(value))) + unit;
}
}  // namespace

TResultRowTexts ResultRowTexts(const TCompareItem& item)
{
    return {FileNamePart(item.SrcPath),
            DirectoryPart(item.SrcPath),
            ExtensionPart(item.SrcPath),
            SignedCount(item.SizeRemainder, " bytes"),
            item.DstExists ? SignedCount(item.TimeRemainderDays(), " days") : std::string("None"),
            ResultText(item.Result)};
}
