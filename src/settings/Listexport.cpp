#include "settings/Listexport.h"

#include "sys/Mysysutils.h"
#include "sys/Wholefile.h"

namespace {
void AppendLine(std::string& text, const std::vector<std::string>& fields)
{
    text += CsvLine(fields);
    text += "\r\n";
}
}  // namespace

std::string ListViewText(const TReportList& list, bool header)
{
    const std::vector<std::string> captions = list.ColumnCaptions();
    std::string text;
    if (header)
        AppendLine(text, captions);
    const std::size_t rows = list.RowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        std::vector<std::string> fields = list.RowTexts(row);
        fields.resize(captions.size());
        AppendLine(text, fields);
    }
    return text;
}

void SaveListViewToFile(const std::string& fileName, const TReportList& list, bool header)
{
    ReplaceWholeFile(fileName, ListViewText(list, header));
}
