#include <gtest/gtest.h>

#include "compare/Tresultrow.h"
#include "settings/Listexport.h"
#include "support/Ttreefixture.h"

namespace {
class TTextList : public TReportList {
public:
    TTextList(std::vector<std::string> captions, std::vector<std::vector<std::string>> rows)
        : Captions(std::move(captions)), Rows(std::move(rows))
    {}
    std::vector<std::string> ColumnCaptions() const override { return Captions; }
    std::size_t RowCount() const override { return Rows.size(); }
    std::vector<std::string> RowTexts(std::size_t row) const override { return Rows.at(row); }

private:
    std::vector<std::string> Captions;
    std::vector<std::vector<std::string>> Rows;
};

std::vector<std::string> ResultCaptions() { return {ResultColumnCaptions().begin(), ResultColumnCaptions().end()}; }
}  // namespace

TEST(ListViewText, ThreeRowsGiveFourLinesEachEndedByCrLf)
{
    const TTextList list(ResultCaptions(), {{"readme.txt", "/data", ".txt", "+1,234 bytes", "-3 days", "Modified"},
                                            {"new file", "/data/My Docs", "", "+0 bytes", "None", "Created"},
                                            {"say \"hi\".txt", "/a,b", ".txt", "+0 bytes", "0 days", "Not modified"}});
    EXPECT_EQ(ListViewText(list, true),
              "Name,Directory,Extension,\"Size remainder\",\"Time reminder\",Result\r\n"
              "readme.txt,/data,.txt,\"+1,234 bytes\",\"-3 days\",Modified\r\n"
              "\"new file\",\"/data/My Docs\",,\"+0 bytes\",None,Created\r\n"
              "\"say \"\"hi\"\".txt\",\"/a,b\",.txt,\"+0 bytes\",\"0 days\",\"Not modified\"\r\n");
    EXPECT_EQ(ListViewText(TTextList(ResultCaptions(), {}), true),
              "Name,Directory,Extension,\"Size remainder\",\"Time reminder\",Result\r\n");
}

TEST(ListViewText, RowsArePaddedOrCutToTheColumnCount)
{
    const TTextList list({"A", "B", "C"}, {{"1"}, {"1", "2", "3", "4"}, {}, {"tab\there", "", ""}});
    EXPECT_EQ(ListViewText(list, false), "1,,\r\n1,2,3\r\n,,\r\n\"tab\there\",,\r\n");
    // One empty field alone would read as an empty line.
    EXPECT_EQ(ListViewText(TTextList({"Only"}, {{""}, {"x"}}), false), "\"\"\r\nx\r\n");
}

TEST(SaveListViewToFile, ReplacesAnExistingFileWhole)
{
    TTreeFixture tree;
    tree.CreateFile("list.csv", std::string(1000, 'x'));
    const TTextList list({"Name"}, {{"a"}});
    SaveListViewToFile(tree.Path("list.csv"), list, true);
    EXPECT_EQ(tree.ReadFile("list.csv"), "Name\r\na\r\n");

    EXPECT_THROW(SaveListViewToFile(tree.Path("missing/list.csv"), list, true), std::runtime_error);
    EXPECT_FALSE(tree.Exists("missing"));
}
