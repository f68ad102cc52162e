#include <gtest/gtest.h>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "compare/Tresultrow.h"

TEST(CompareOptions, EqualityIsFieldByFieldAndExact)
{
    TCompareOptions a, b;
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.IncludeMasks, "*");
    EXPECT_TRUE(a.IncludeSubDirs && a.FatPrecision && !a.ShowNotModified);
    a.SrcDir = "/Data";
    b.SrcDir = "/data";
    EXPECT_NE(a, b);
    b = a;
    EXPECT_EQ(a, b);
    b.ShowNotModified = true;
    EXPECT_NE(a, b);
}

TEST(CompareItem, TimeRemainderDaysRoundsAwayFromZero)
{
    constexpr std::int64_t Day = 864'000'000'000;
    const std::pair<std::int64_t, std::int64_t> cases[] = {{0, 0},
                                                           {1, 1},
                                                           {-1, -1},
                                                           {Day, 1},
                                                           {Day + 1, 2},
                                                           {-Day, -1},
                                                           {-Day - 1, -2},
                                                           {INT64_MAX, INT64_MAX / Day + 1},
                                                           {INT64_MIN, INT64_MIN / Day - 1}};
    for (const auto& [ticks, days] : cases) {
        TCompareItem item;
        item.TimeRemainder = ticks;
        EXPECT_EQ(item.TimeRemainderDays(), days) << ticks;
    }
}

TEST(CompareItem, ResultWordsAndCopies)
{
    EXPECT_EQ(ResultText(TCompareResult::None), "None");
    EXPECT_EQ(ResultText(TCompareResult::Created), "Created");
    EXPECT_EQ(ResultText(TCompareResult::Modified), "Modified");
    EXPECT_EQ(ResultText(TCompareResult::NotModified), "Not modified");
    EXPECT_EQ(ResultText(TCompareResult::Ambiguous), "Ambiguous");
    for (int value : {5, -1, 6})
        EXPECT_EQ(ResultText(static_cast<TCompareResult>(value)), "(Unknown)");

    TCompareItem original;
    original.SrcPath = "/s/a";
    TCompareItem copy = original;
    copy.SrcPath = "/s/b";
    EXPECT_EQ(original.SrcPath, "/s/a");
}

TEST(CompareItem, SeenFactsTravelWithCopiesAndMoves)
{
    TCompareItem modified;
    modified.SizeRemainder = -3;
    modified.SetSeen(7, 100, 10, 90, 11);
    TCompareItem unknown;  // remainders of 0 that tell nothing of the destination's size
    unknown.SetSeen(7, 100, 4096, 50, 12);
    for (const TCompareItem& original : {modified, unknown}) {
        TCompareItem copy = original;
        TCompareItem assigned;
        assigned.SetSeen(1, 2, 3, 4, 5);
        assigned = copy;
        const TCompareItem& itself = assigned;
        assigned = itself;
        TCompareItem moved = std::move(copy);
        for (const TCompareItem* item : std::initializer_list<const TCompareItem*>{&original, &assigned, &moved}) {
            EXPECT_EQ(item->SeenSrcSize(), 7);
            EXPECT_EQ(item->SeenSrcTime(), 100);
            EXPECT_EQ(item->SeenDstSize(), original.SeenDstSize());
            EXPECT_EQ(item->SeenDstTime(), original.SeenDstTime());
            EXPECT_EQ(item->SeenDstIdentity(), original.SeenDstIdentity());
        }
    }
    EXPECT_EQ(modified.SeenDstSize(), 10);
    EXPECT_EQ(unknown.SeenDstSize(), 4096);
    EXPECT_EQ(unknown.SeenDstTime(), 50);
    EXPECT_EQ(unknown.SeenDstIdentity(), 12u);
    const TCompareItem given{};
    EXPECT_EQ(given.SeenDstSize(), 0);
}

TEST(ResultRow, TextsAsTheListShowsThem)
{
    TCompareItem item;
    item.SrcPath = "/data/My Docs/report.final.txt";
    item.SizeRemainder = 1234;
    item.TimeRemainder = -3 * 864'000'000'000 + 5;
    item.DstExists = true;
    item.Result = TCompareResult::Ambiguous;
    EXPECT_EQ(ResultRowTexts(item),
              (TResultRowTexts{"report.final.txt", "/data/My Docs", ".txt", "+1,234 bytes", "-3 days", "Ambiguous"}));

    TCompareItem created;
    created.SrcPath = "/readme";
    created.SizeRemainder = -512;
    created.Result = TCompareResult::Created;
    EXPECT_EQ(ResultRowTexts(created), (TResultRowTexts{"readme", "/", "", "-512 bytes", "None", "Created"}));
    created.SizeRemainder = 0;
    EXPECT_EQ(ResultRowTexts(created)[3], "+0 bytes");
}
