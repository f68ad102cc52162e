#include <gtest/gtest.h>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "compare/Tcompareroots.h"
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
    EXPECT_EQ(ResultText(TCompareResult::Moved), "Moved");
    EXPECT_EQ(ResultText(TCompareResult::DestinationOnly), "Only in destination");
    for (int value : {5, -1, 8})
        EXPECT_EQ(ResultText(static_cast<TCompareResult>(value)), "(Unknown)");

    // The old path of a moved file goes with its copies; nothing stands at its new path.
    TCompareItem moved;
    moved.SetSeen(TSideFacts{7, 100}, std::nullopt);
    moved.SetMovedFrom("old/a", {3, 40}, 5);
    const TCompareItem movedCopy = moved;
    EXPECT_EQ(movedCopy.MovedFrom(), "old/a");
    EXPECT_FALSE(movedCopy.DstExists());
    EXPECT_EQ(movedCopy.SeenSrcSize(), 7);
    // The old place's facts, for a look at it before it is renamed.
    EXPECT_EQ(movedCopy.SeenDstSize(), 3);
    EXPECT_EQ(movedCopy.SeenDstTime(), 40);
    EXPECT_EQ(movedCopy.SeenDstIdentity(), 5u);
    EXPECT_EQ(TCompareItem().MovedFrom(), "");

    TCompareItem original;
    original.Path = "s/a";
    TCompareItem copy = original;
    copy.Path = "s/b";
    EXPECT_EQ(original.Path, "s/a");
}

TEST(CompareItem, SeenFactsTravelWithCopiesAndMoves)
{
    TCompareItem modified;
    modified.SizeRemainder = -3;
    modified.SetSeen(TSideFacts{7, 100}, TSideFacts{10, 90}, 11);
    TCompareItem unknown;  // remainders of 0 that tell nothing of the destination's size
    unknown.SetSeen(TSideFacts{7, 100}, TSideFacts{4096, 50}, 12);
    for (const TCompareItem& original : {modified, unknown}) {
        TCompareItem copy = original;
        TCompareItem assigned;
        assigned.SetSeen(std::nullopt, TSideFacts{3, 4}, 5);
        assigned = copy;
        const TCompareItem& itself = assigned;
        assigned = itself;
        TCompareItem moved = std::move(copy);
        for (const TCompareItem* item : std::initializer_list<const TCompareItem*>{&original, &assigned, &moved}) {
            EXPECT_TRUE(item->SrcExists());
            EXPECT_TRUE(item->DstExists());
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

    // Either side may have had no file: its facts read 0.
    TCompareItem created;
    created.SizeRemainder = 7;
    created.SetSeen(TSideFacts{7, 100}, std::nullopt, 11);
    TCompareItem destinationOnly;
    destinationOnly.SizeRemainder = -9;
    destinationOnly.SetSeen(std::nullopt, TSideFacts{9, 80}, 12);
    EXPECT_TRUE(created.SrcExists());
    EXPECT_FALSE(created.DstExists());
    EXPECT_EQ(created.SeenDstSize(), 0);
    EXPECT_EQ(created.SeenDstIdentity(), 0u);
    EXPECT_FALSE(destinationOnly.SrcExists());
    EXPECT_TRUE(destinationOnly.DstExists());
    EXPECT_EQ(destinationOnly.SeenSrcSize(), 0);
    EXPECT_EQ(destinationOnly.SeenDstSize(), 9);
    EXPECT_EQ(destinationOnly.SeenDstTime(), 80);
    EXPECT_EQ(destinationOnly.SeenDstIdentity(), 12u);
}

TEST(CompareRoots, JoinAnItemsPathBelowEitherRoot)
{
    TCompareItem item;
    item.Path = "sub/a.txt";
    const TCompareRoots roots("/data/src", "/backup/dst/");
    EXPECT_EQ(roots.Source(), "/data/src");
    EXPECT_EQ(roots.Destination(), "/backup/dst/");
    EXPECT_EQ(roots.SourcePath(item), "/data/src/sub/a.txt");
    EXPECT_EQ(roots.DestinationPath(item), "/backup/dst/sub/a.txt");
    std::string buffer = "left over";
    EXPECT_EQ(roots.SourcePath(item, buffer), "/data/src/sub/a.txt");
    EXPECT_EQ(TCompareRoots("/", "").SourcePath(item), "/sub/a.txt");
    EXPECT_EQ(TCompareRoots("/", "").DestinationPath(item), "sub/a.txt");
}

TEST(ResultRow, TextsAsTheListShowsThem)
{
    TCompareItem item;
    item.Path = "My Docs/report.final.txt";
    item.SizeRemainder = 1234;
    item.TimeRemainder = -3 * 864'000'000'000 + 5;
    item.Result = TCompareResult::Ambiguous;
    item.SetSeen(TSideFacts{1234, 1}, TSideFacts{0, 1});
    EXPECT_EQ(ResultRowTexts(item, {"/data", "/backup"}),
              (TResultRowTexts{"report.final.txt", "/data/My Docs", ".txt", "+1,234 bytes", "-3 days", "Ambiguous"}));

    TCompareItem created;
    created.Path = "readme";
    created.SizeRemainder = -512;
    created.Result = TCompareResult::Created;
    created.SetSeen(TSideFacts{-512, 1}, std::nullopt);
    EXPECT_EQ(ResultRowTexts(created, {"/", "/backup"}),
              (TResultRowTexts{"readme", "/", "", "-512 bytes", "None", "Created"}));
    created.SizeRemainder = 0;
    EXPECT_EQ(ResultRowTexts(created, {"/", "/backup"})[3], "+0 bytes");
}
