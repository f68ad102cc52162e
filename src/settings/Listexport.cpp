#include "settings/Listexport.h"

#include "sys/Mysysutils.h"
#include "sys/Wholefile.h"

void WriteListViewLines(const TReportList& list, bool header, const std::function<void(const std::string&)>& write)
{
    const std::vector<std::string> captions = list.ColumnCaptions();
    // One line's memory serves every line.
    std::string line;
    const auto writeLine = [&write, &line](const std::vector<std::string>& fields) {
        line.clear();
        AppendCsvLine(fields, line);
        line += "\r\n";
        write(line);
    };
    if (header)
        writeLine(captions);
    const std::size_t rows = list.RowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        std::vector<std::string> fields = list.RowTexts(row);
        fields.resize(captions.size());
        writeLine(fields);
    }
}

std::string ListViewText(const TReportList& list, bool header)
{
    std::string text;
    WriteListViewLines(list, header, [&](const std::string& line) { text += line; });
    return text;
}

void SaveListViewToFile(const std::string& fileName, const TReportList& list, bool header)
{
    ReplaceWholeFile(fileName, ListViewText(list, header));
}
