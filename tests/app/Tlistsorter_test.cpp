#include <gtest/gtest.h>

#include "app/Tlistsorter.h"

#include <algorithm>

#include "sys/Tlocalerules.h"

namespace {
struct TRowFacts {
    std::string Path;
    std::int64_t Size = 0;
    bool DstExists = true;
    std::int64_t Days = 0;
    TCompareResult Result = TCompareResult::Modified;
};

class ListSorter : public ::testing::Test {
protected:
    void Fill(const std::vector<TRowFacts>& rows)
    {
        std::vector<TCompareItem> items;
        for (const TRowFacts& facts : rows) {
            TCompareItem& item = items.emplace_back();
            // Below the root "/".
            item.Path = facts.Path.substr(1);
            item.SizeRemainder = facts.Size;
            item.SetSeen(TSideFacts{}, facts.DstExists ? std::optional(TSideFacts{}) : std::nullopt);
            item.TimeRemainder = facts.Days * 864'000'000'000LL;
            item.Result = facts.Result;
        }
        Model.Fill(items, {"/", "/dst"});
    }

    // Sorts the model as the main window does and returns the paths in the new order.
    std::vector<std::string> Sort(TSortCode code)
    {
        Model.Reorder(TListSorter(Model, code).Order());
        return Paths();
    }

    std::vector<std::string> Paths() const
    {
        std::vector<std::string> paths;
        for (int row = 0; row < Model.Count(); ++row)
            paths.push_back(Model.Roots().SourcePath(Model.Row(row).Item));
        return paths;
    }

    TResultListModel Model;
};

using TPaths = std::vector<std::string>;
}  // namespace

TEST_F(ListSorter, SortsNamesCaseInsensitivelyInLocaleOrderKeepingTies)
{
    Fill({{"/x/b.txt"}, {"/y/A.txt"}, {"/z/a.txt"}, {"/w/Ärger"}, {"/v/zebra"}});
    EXPECT_EQ(Sort(SortCode::Name), (TPaths{"/y/A.txt", "/z/a.txt", "/w/Ärger", "/x/b.txt", "/v/zebra"}));
    EXPECT_EQ(Sort(SortCode::Name), (TPaths{"/y/A.txt", "/z/a.txt", "/w/Ärger", "/x/b.txt", "/v/zebra"}));
    // Descending is the exact reverse, ties included, and so flips them at every further sort.
    EXPECT_EQ(Sort(SortCode::Name + SortCode::Descending),
              (TPaths{"/v/zebra", "/x/b.txt", "/w/Ärger", "/z/a.txt", "/y/A.txt"}));
    EXPECT_EQ(Sort(SortCode::Name + SortCode::Descending),
              (TPaths{"/v/zebra", "/x/b.txt", "/w/Ärger", "/y/A.txt", "/z/a.txt"}));
}

TEST_F(ListSorter, SortsByDirectoryExtensionAndAbsoluteName)
{
    Fill({{"/B/one.c"}, {"/a/two.H"}, {"/b/three.c"}, {"/a/four"}, {"/a.b/five.h"}});
    EXPECT_EQ(Sort(SortCode::Directory), (TPaths{"/a/two.H", "/a/four", "/a.b/five.h", "/B/one.c", "/b/three.c"}));
    EXPECT_EQ(Sort(SortCode::Extension), (TPaths{"/a/four", "/B/one.c", "/b/three.c", "/a/two.H", "/a.b/five.h"}));
    // In the locale's order a dot goes before a slash.
    EXPECT_EQ(Sort(SortCode::AbsoluteName), (TPaths{"/a.b/five.h", "/a/four", "/a/two.H", "/B/one.c", "/b/three.c"}));
    EXPECT_EQ(Sort(SortCode::AbsoluteName + SortCode::Descending),
              (TPaths{"/b/three.c", "/B/one.c", "/a/two.H", "/a/four", "/a.b/five.h"}));

    // Below one shared root the order is the same.
    Fill({{"/root/b"}, {"/root/A"}, {"/root/Ä/x"}, {"/root/a"}, {"/root/a.b"}});
    EXPECT_EQ(Sort(SortCode::AbsoluteName), (TPaths{"/root/A", "/root/a", "/root/a.b", "/root/Ä/x", "/root/b"}));
    EXPECT_EQ(Sort(SortCode::Directory), (TPaths{"/root/A", "/root/a", "/root/a.b", "/root/b", "/root/Ä/x"}));
}

TEST_F(ListSorter, AbsoluteNamesSortAsTheCollatorComparesTheWholePaths)
{
    // Keys that agree far beyond their first bytes; names that begin other names or folder
    // names, or that equal them but for case or accents; folders nested at several depths with
    // files at every depth; then sibling folders that differ in case or accents only, whose
    // paths interleave.
    const std::vector<std::vector<std::string>> trees = {
        {"/data/a long folder name", "/data/a long folder name/x", "/data/a long folder name/x/y",
         "/data/a long folder name/x/y/z", "/data/a long folder name/x-y", "/data/a long folder name/x.y",
         "/data/a long folder name/x y", "/data/a long folder name/xy", "/data/b"},
        {"/data/a long folder name/x", "/data/a long folder name/x/y", "/data/A LONG FOLDER NAME/X", "/data/résumé",
         "/data/resume", "/data/resume/x"},
        {"/home/Pictures/2019", "/home/Pictures/2020/jan", "/home/Pictures/2020/Feb", "/home/pictures old",
         "/home/Écoles", "/home/zoo/1", "/home/zoo/10", "/home/zoo/9"}};
    const std::vector<std::string> names = {"report of the year 2020 final",
                                            "Report of the year 2020 final",
                                            "report of the year 2020",
                                            "report of the year 2020 final.txt",
                                            "réport of the year 2020 final",
                                            "x",
                                            "X-Y",
                                            "y",
                                            "r"};
    for (const std::vector<std::string>& folders : trees) {
        std::vector<TRowFacts> rows;
        for (std::size_t i = 0; i < 3 * folders.size() * names.size(); ++i)
            rows.push_back({folders[i * 7 % folders.size()] + "/" + names[i * 3 % names.size()]});
        Fill(rows);

        TPaths expected = Paths();
        const TLocaleRules& rules = TLocaleRules::ForThisThread();
        std::stable_sort(expected.begin(), expected.end(),
                         [&](const std::string& a, const std::string& b) { return rules.CompareFileNames(a, b) < 0; });
        EXPECT_EQ(Sort(SortCode::AbsoluteName), expected);
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(Sort(SortCode::AbsoluteName + SortCode::Descending), expected);
    }
}

TEST_F(ListSorter, SortsSizesBeyondThirtyTwoBits)
{
    Fill({{"/3e9", 3'000'000'000LL}, {"/5", 5}, {"/-2e9", -2'000'000'000LL}, {"/2e9", 2'000'000'000LL}, {"/5b", 5}});
    EXPECT_EQ(Sort(SortCode::SizeRemainder), (TPaths{"/-2e9", "/5", "/5b", "/2e9", "/3e9"}));
    EXPECT_EQ(Sort(SortCode::SizeRemainder + SortCode::Descending), (TPaths{"/3e9", "/2e9", "/5b", "/5", "/-2e9"}));
}

TEST_F(ListSorter, PutsRowsWithoutDestinationLastByTime)
{
    Fill({{"/none1", 0, false},
          {"/plus", 0, true, 4},
          {"/none2", 0, false},
          {"/minus", 0, true, -3},
          {"/zero", 0, true, 0}});
    EXPECT_EQ(Sort(SortCode::TimeRemainder), (TPaths{"/minus", "/zero", "/plus", "/none1", "/none2"}));
    EXPECT_EQ(Sort(SortCode::TimeRemainder + SortCode::Descending),
              (TPaths{"/none2", "/none1", "/plus", "/zero", "/minus"}));
}

TEST_F(ListSorter, SortsByResultNumber)
{
    Fill({{"/u", 0, true, 0, TCompareResult::Unknown},
          {"/m", 0, true, 0, TCompareResult::Modified},
          {"/c", 0, false, 0, TCompareResult::Created},
          {"/a", 0, true, 0, TCompareResult::Ambiguous},
          {"/n", 0, true, 0, TCompareResult::NotModified},
          {"/m2", 0, true, 0, TCompareResult::Modified}});
    EXPECT_EQ(Sort(SortCode::Result), (TPaths{"/c", "/m", "/m2", "/n", "/a", "/u"}));
}

TEST_F(ListSorter, ComparesRowsByKeyThenByPresentPosition)
{
    Fill({{"/b", 7}, {"/a", 7}, {"/c", 1}});
    const TListSorter ascending(Model, SortCode::SizeRemainder);
    EXPECT_LT(ascending.CompareListItems(2, 0), 0);
    EXPECT_LT(ascending.CompareListItems(0, 1), 0);
    EXPECT_GT(ascending.CompareListItems(1, 0), 0);
    EXPECT_EQ(ascending.CompareListItems(1, 1), 0);
    const TListSorter descending(Model, SortCode::SizeRemainder + SortCode::Descending);
    EXPECT_GT(descending.CompareListItems(0, 1), 0);
    EXPECT_GT(descending.CompareListItems(2, 0), 0);
    EXPECT_THROW(TListSorter(Model, 32), std::invalid_argument);
}
