#pragma once
// Writing a report-style list as comma-separated values: an optional header line of column
// captions, then one line per row, every line ended by CR LF.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A list as the export sees it: the captions give the columns, each row its texts (the
// row's caption first, then its sub-items).
class TReportList {
public:
    virtual ~TReportList() = default;
    virtual std::vector<std::string> ColumnCaptions() const = 0;
    virtual std::size_t RowCount() const = 0;
    virtual std::vector<std::string> RowTexts(std::size_t row) const = 0;
};

// The file's lines one by one, each with its CR LF, for writers that stream.
void WriteListViewLines(const TReportList& list, bool header, const std::function<void(const std::string&)>& write);
// The whole file: each row padded with empty fields or cut to the number of columns, fields
// quoted where they hold a blank, a control character, a quote or a comma.
std::string ListViewText(const TReportList& list, bool header);

// Writes ListViewText to the file through a temporary file that replaces it only when
// complete, so a failure leaves an existing file as it was. Raises std::runtime_error.
void SaveListViewToFile(const std::string& fileName, const TReportList& list, bool header);
