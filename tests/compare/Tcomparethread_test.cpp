#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "compare/Tcomparethread.h"
#include "compare/Tpairrules.h"
#include "jobs/Teventloop.h"
#include "support/Ttreefixture.h"

namespace {
constexpr std::int64_t F = TPairRules::FatTimeStep;
constexpr std::int64_t Base = 1'600'000'000;  // seconds since 1970, an even second

struct TRunResult {
    bool Failed = false;
    bool Completed = false;
    bool Cancelled = false;
    std::vector<TCompareItem> Items;
    std::vector<TListingError> UnlistedFolders;
    std::vector<TListingError> UnlistedDestinationFolders;
    std::int64_t DestinationFiles = 0;
    std::vector<std::string> DestinationOnlyFolders;
    std::vector<std::pair<int, int>> Progress;
    std::string Walked;
};

TRunResult Compare(const TCompareOptions& options, const TFileFactsSource& fileSystem = TFileFactsSource::System(),
                   std::function<void(TCompareThread&, int position)> onProgress = {}, int jobs = 0)
{
    TEventLoop loop;
    TWorkPool pool(jobs);
    TRunResult result;
    auto thread = std::make_unique<TCompareThread>(options, loop, pool, fileSystem);
    thread->SetOnProgress([&](std::int32_t position, std::int32_t maximum) {
        result.Progress.emplace_back(position, maximum);
        if (onProgress)
            onProgress(*thread, position);
    });
    thread->SetOnEnd([&](TJobEnd<TComparisonResult> end) {
        result.Failed = end.Failed();
        result.Completed = end.Completed();
        result.Cancelled = end.How == TJobHow::Cancelled;
        result.Items = std::move(end.Result.Items);
        result.UnlistedFolders = std::move(end.Result.UnlistedFolders);
        result.UnlistedDestinationFolders = std::move(end.Result.UnlistedDestinationFolders);
        result.DestinationFiles = end.Result.DestinationFiles;
        result.DestinationOnlyFolders = std::move(end.Result.DestinationOnlyFolders);
        result.Walked = thread->Walked.Text();
    });
    thread->Resume();
    loop.RunUntil([&] { return thread->Ended(); });
    return result;
}

class CompareThreadTest : public ::testing::Test {
protected:
    TTreeFixture Tree;
    TCompareOptions Options;

    void SetUp() override
    {
        Tree.CreateDirectory("src");
        Tree.CreateDirectory("dst");
        Options.SrcDir = Tree.Path("src");
        Options.DstDir = Tree.Path("dst");
    }
    // A source file and, unless its time is 0, its destination counterpart; times in ticks
    // past the base second.
    void Pair(const std::string& name, const std::string& source, std::int64_t sourceTicks,
              const std::string& destination, std::int64_t destinationTicks)
    {
        Tree.CreateFile("src/" + name, source, Base + sourceTicks / 10'000'000, sourceTicks % 10'000'000 * 100);
        Tree.CreateFile("dst/" + name, destination, Base + destinationTicks / 10'000'000,
                        destinationTicks % 10'000'000 * 100);
    }
    const TCompareItem* Find(const std::vector<TCompareItem>& items, const std::string& name) const
    {
        for (const TCompareItem& item : items)
            if (item.Path == name)
                return &item;
        return nullptr;
    }
};
}  // namespace

TEST_F(CompareThreadTest, ClassifiesEveryKindOfPair)
{
    Pair("newer.txt", "abc", 10 * F, "abcd", 2 * F);
    Pair("older-same.txt", "abc", 2 * F, "xyz", 10 * F);
    Pair("older-other.txt", "abc", 2 * F, "x", 10 * F);
    Pair("equal-other.txt", "abc", 4 * F, "abcdef", 4 * F);
    Tree.CreateFile("src/created.txt", "", Base);
    Tree.CreateFile("src/folder-there", "abc", Base);
    Tree.CreateDirectory("dst/folder-there");
    Tree.CreateFile("src/zero-time", "abc", 0);
    Tree.CreateFile("dst/zero-time", "abc", Base);
    Tree.CreateFile("dst/only-in-destination.txt", "abc", Base);
    Options.ShowNotModified = true;

    const TRunResult result = Compare(Options);
    ASSERT_TRUE(result.Completed);
    ASSERT_FALSE(result.Failed);
    ASSERT_EQ(result.Items.size(), 7u);

    const TCompareItem* newer = Find(result.Items, "newer.txt");
    EXPECT_EQ(newer->Result, TCompareResult::Modified);
    EXPECT_EQ(newer->SizeRemainder, -1);
    EXPECT_EQ(newer->TimeRemainder, 8 * F);
    EXPECT_EQ(newer->Path, "newer.txt");
    // What the file operations will look for again before they write.
    const std::int64_t baseTicks = TicksFromUnixTime(Base, 0);
    EXPECT_EQ(newer->SeenSrcSize(), 3);
    EXPECT_EQ(newer->SeenSrcTime(), baseTicks + 10 * F);
    EXPECT_EQ(newer->SeenDstSize(), 4);
    EXPECT_EQ(newer->SeenDstTime(), baseTicks + 2 * F);
    EXPECT_EQ(Find(result.Items, "older-same.txt")->Result, TCompareResult::NotModified);
    EXPECT_EQ(Find(result.Items, "older-same.txt")->TimeRemainder, -8 * F);
    EXPECT_EQ(Find(result.Items, "older-other.txt")->Result, TCompareResult::Ambiguous);
    EXPECT_EQ(Find(result.Items, "equal-other.txt")->Result, TCompareResult::Ambiguous);
    EXPECT_EQ(Find(result.Items, "equal-other.txt")->SizeRemainder, -3);

    const TCompareItem* created = Find(result.Items, "created.txt");
    EXPECT_EQ(created->Result, TCompareResult::Created);
    EXPECT_FALSE(created->DstExists());
    EXPECT_EQ(created->SizeRemainder, 0);
    EXPECT_EQ(created->TimeRemainder, 0);
    EXPECT_EQ(created->SeenSrcTime(), baseTicks);
    EXPECT_EQ(created->SeenDstSize(), 0);
    EXPECT_EQ(created->SeenDstTime(), 0);

    const TCompareItem* folder = Find(result.Items, "folder-there");
    EXPECT_EQ(folder->Result, TCompareResult::Unknown);
    EXPECT_TRUE(folder->DstExists());
    EXPECT_EQ(folder->SizeRemainder, 0);
    EXPECT_EQ(folder->TimeRemainder, 0);
    const auto folderFacts = LookupPath(Options.DstDir + "/folder-there");
    ASSERT_TRUE(folderFacts);
    EXPECT_EQ(folder->SeenSrcSize(), 3);
    EXPECT_EQ(folder->SeenDstSize(), folderFacts->Size);
    EXPECT_EQ(folder->SeenDstTime(), folderFacts->LastWriteTime);

    EXPECT_EQ(Find(result.Items, "zero-time")->Result, TCompareResult::NotModified);  // 1970 is not tick 0
    EXPECT_EQ(Find(result.Items, "only-in-destination.txt"), nullptr);
}

namespace {
// Reports given facts for some paths and the real file system for the rest.
class TFakedFacts : public TFileFactsSource {
public:
    std::map<std::string, TFileFacts> Faked;
    // The error number each of these directories fails its listing with.
    std::map<std::string, int> FailedListings;
    std::function<void(const std::string&)> OnList;
    TDirectoryContents List(const std::string& directory) const override
    {
        if (OnList)
            OnList(directory);
        if (auto it = FailedListings.find(directory); it != FailedListings.end())
            return {{}, TListingError{directory, it->second}};
        auto contents = TFileFactsSource::List(directory);
        for (TDirectoryEntry& entry : contents.Entries)
            if (auto it = Faked.find(WithDelimiter(directory) + entry.Name); it != Faked.end())
                entry.Facts = it->second;
        return contents;
    }
    std::optional<TFileFacts> Lookup(const std::string& path, TLookupCache& cache) const override
    {
        if (auto it = Faked.find(path); it != Faked.end())
            return it->second;
        return TFileFactsSource::Lookup(path, cache);
    }

private:
    static std::string WithDelimiter(const std::string& directory)
    {
        return directory.back() == '/' ? directory : directory + "/";
    }
};
}  // namespace

TEST_F(CompareThreadTest, ZeroOrNegativeTimesAndNegativeSizesAreUnknown)
{
    TFakedFacts facts;
    for (const char* name : {"t0", "T0", "s-", "S-"}) {
        Tree.CreateFile(std::string("src/") + name, "a", Base);
        Tree.CreateFile(std::string("dst/") + name, "a", Base);
    }
    facts.Faked[Options.SrcDir + "/t0"] = {false, 1, 0};
    facts.Faked[Options.DstDir + "/T0"] = {false, 1, -5};
    facts.Faked[Options.SrcDir + "/s-"] = {false, -1, 100};
    facts.Faked[Options.DstDir + "/S-"] = {false, -1, 100};
    const TRunResult result = Compare(Options, facts);
    ASSERT_EQ(result.Items.size(), 4u);
    for (const TCompareItem& item : result.Items) {
        EXPECT_EQ(item.Result, TCompareResult::Unknown) << item.Path;
        EXPECT_TRUE(item.DstExists());
        EXPECT_EQ(item.SizeRemainder, 0);
    }
}

TEST_F(CompareThreadTest, FoldersNotListedWholeAreKeptWithTheirReason)
{
    Tree.CreateFile("src/a", "x", Base);
    Tree.CreateFile("src/sub/b", "x", Base);
    Tree.CreateFile("src/sub/deeper/c", "x", Base);
    Tree.CreateFile("src/other/d", "x", Base);
    TFakedFacts facts;
    facts.FailedListings[Options.SrcDir + "/sub/"] = EIO;
    facts.FailedListings[Options.SrcDir + "/other/"] = ENOTCONN;
    const TRunResult result = Compare(Options, facts);
    ASSERT_TRUE(result.Completed);
    ASSERT_EQ(result.Items.size(), 1u);  // nothing of sub, nor of what lies below it
    EXPECT_EQ(result.Items[0].Path, "a");
    ASSERT_EQ(result.UnlistedFolders.size(), 2u);
    for (const TListingError& folder : result.UnlistedFolders) {
        const bool sub = folder.Path == Options.SrcDir + "/sub/";
        EXPECT_TRUE(sub || folder.Path == Options.SrcDir + "/other/") << folder.Path;
        EXPECT_EQ(folder.Code, sub ? EIO : ENOTCONN);
        EXPECT_EQ(folder.Reason(), sub ? "Input/output error" : "Transport endpoint is not connected");
    }
}

TEST_F(CompareThreadTest, DestinationOnlyFilesPassTheMasksAndSortLast)
{
    Pair("same.txt", "abc", 2 * F, "abc", 2 * F);
    Tree.CreateFile("src/created.txt", "new", Base);
    Tree.CreateFile("src/sub/kept.txt", "k", Base);
    Tree.CreateFile("dst/sub/kept.txt", "k", Base);
    Tree.CreateFile("dst/only.txt", "12345", Base);
    Tree.CreateFile("dst/skipped.tmp", "12345", Base);
    Tree.CreateFile("dst/sub/extra.txt", "1234567", Base);
    Tree.CreateFile("dst/gone/deep/old.txt", "1", Base);
    Tree.CreateFile("dst/unreadable/x.txt", "1", Base);
    Options.UseExcludeMasks = true;
    Options.ExcludeMasks = "*.tmp";
    const TRunResult plain = Compare(Options);
    ASSERT_TRUE(plain.Completed);
    ASSERT_EQ(plain.Items.size(), 1u);

    Options.ShowDestinationOnly = true;
    TFakedFacts facts;
    facts.FailedListings[Options.DstDir + "/unreadable/"] = EIO;
    const TRunResult result = Compare(Options, facts);
    ASSERT_TRUE(result.Completed);
    std::vector<std::string> rows;
    for (const TCompareItem& item : result.Items)
        rows.push_back(ResultText(item.Result) + " " + item.Path);
    EXPECT_EQ(rows, (std::vector<std::string>{"Created created.txt", "Only in destination gone/deep/old.txt",
                                              "Only in destination only.txt", "Only in destination sub/extra.txt"}));
    const TCompareItem* only = Find(result.Items, "sub/extra.txt");
    ASSERT_NE(only, nullptr);
    EXPECT_EQ(only->SizeRemainder, -7);
    EXPECT_FALSE(only->SrcExists());
    EXPECT_TRUE(only->DstExists());
    EXPECT_EQ(only->SeenDstSize(), 7);
    EXPECT_TRUE(result.UnlistedFolders.empty());
    ASSERT_EQ(result.UnlistedDestinationFolders.size(), 1u);
    EXPECT_EQ(result.UnlistedDestinationFolders[0].Path, Options.DstDir + "/unreadable/");
}

TEST_F(CompareThreadTest, TheDestinationsFilesAndTheFoldersOnlyItHasAreTalliedAlikeWithAnyNumberOfJobs)
{
    Pair("same.txt", "abc", 2 * F, "abc", 2 * F);
    Pair("skipped.tmp", "abc", 2 * F, "abc", 2 * F);
    Tree.CreateFile("src/created.txt", "new", Base);
    Tree.CreateFile("src/sub/kept.txt", "k", Base);
    Tree.CreateFile("dst/sub/kept.txt", "k", Base);
    Tree.CreateFile("dst/only.txt", "1", Base);
    Tree.CreateFile("dst/only.tmp", "1", Base);
    Tree.CreateFile("dst/sub/extra.txt", "1", Base);
    Tree.CreateDirectory("dst/sub/emptied");
    Tree.CreateFile("dst/gone/deep/old.txt", "1", Base);
    Tree.CreateFile("dst/gone/old.tmp", "1", Base);
    Options.UseExcludeMasks = true;
    Options.ExcludeMasks = "*.tmp";
    const TRunResult plain = Compare(Options);
    ASSERT_TRUE(plain.Completed);
    EXPECT_EQ(plain.DestinationFiles, 0);
    EXPECT_TRUE(plain.DestinationOnlyFolders.empty());

    Options.ShowDestinationOnly = true;
    const TRunResult first = Compare(Options, TFileFactsSource::System(), {}, 1);
    ASSERT_TRUE(first.Completed);
    // same.txt, sub/kept.txt, only.txt, sub/extra.txt, gone/deep/old.txt
    EXPECT_EQ(first.DestinationFiles, 5);
    std::vector<std::string> folders = first.DestinationOnlyFolders;
    const auto at = [&](const std::string& folder) { return std::find(folders.begin(), folders.end(), folder); };
    EXPECT_LT(at("gone/"), at("gone/deep/"));
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"gone/", "gone/deep/", "sub/emptied/"}));
    for (const bool notModified : {false, true}) {
        Options.ShowNotModified = notModified;
        const TRunResult many = Compare(Options, TFileFactsSource::System(), {}, 4);
        ASSERT_TRUE(many.Completed);
        EXPECT_EQ(many.DestinationFiles, first.DestinationFiles) << notModified;
        EXPECT_EQ(many.DestinationOnlyFolders, first.DestinationOnlyFolders) << notModified;
    }
}

TEST_F(CompareThreadTest, TheDestinationsTrashIsNeverWalkedButASourceFolderOfItsNameIsCompared)
{
    Tree.CreateFile("src/.Trash/new.txt", "new", Base);
    Tree.CreateFile("dst/.Trash/extra.txt", "1", Base);
    Tree.CreateFile("dst/.Trash-1000/removed.txt", "1", Base);
    Tree.CreateFile("src/sub/kept.txt", "k", Base);
    Tree.CreateFile("dst/sub/kept.txt", "k", Base);
    Tree.CreateFile("dst/sub/.Trash-0/removed.txt", "1", Base);
    Tree.CreateFile("dst/.Trash-x/mine.txt", "1", Base);
    Options.ShowDestinationOnly = true;
    const TRunResult result = Compare(Options);
    ASSERT_TRUE(result.Completed);
    std::vector<std::string> rows;
    for (const TCompareItem& item : result.Items)
        rows.push_back(ResultText(item.Result) + " " + item.Path);
    EXPECT_EQ(rows, (std::vector<std::string>{"Created .Trash/new.txt", "Only in destination .Trash-x/mine.txt",
                                              "Only in destination .Trash/extra.txt"}));
    EXPECT_EQ(result.DestinationFiles, 3);
    EXPECT_EQ(result.DestinationOnlyFolders, std::vector<std::string>{".Trash-x/"});
}

TEST_F(CompareThreadTest, AMovedFileIsPairedWithItsOldPlaceOnlyWhenNothingElseFits)
{
    // Renamed, moved to another folder, and at FAT precision a second apart: one pair each.
    Tree.CreateFile("src/renamed.txt", "renamed", Base);
    Tree.CreateFile("dst/old name.txt", "RENAMED", Base);
    Tree.CreateFile("src/new/place.bin", "12345678", Base + 100, 0);
    Tree.CreateFile("dst/old/place.bin", "abcdefgh", Base + 101, 0);
    // Two sources fit one destination file, one source fits two destination files, and an empty
    // file fits anything: no pair.
    Tree.CreateFile("src/twin1", "twins", Base + 200);
    Tree.CreateFile("src/twin2", "TWINS", Base + 200);
    Tree.CreateFile("dst/twin-old", "twins", Base + 200);
    Tree.CreateFile("src/single", "single!", Base + 300);
    Tree.CreateFile("dst/single-a", "single!", Base + 300);
    Tree.CreateFile("dst/single-b", "single!", Base + 300);
    Tree.CreateFile("src/empty", "", Base + 400);
    Tree.CreateFile("dst/empty-old", "", Base + 400);
    // Another time or size: no pair.
    Tree.CreateFile("src/later", "later", Base + 500);
    Tree.CreateFile("dst/later-old", "later", Base + 510);
    Options.ShowDestinationOnly = true;

    const TRunResult result = Compare(Options);
    ASSERT_TRUE(result.Completed);
    std::map<std::string, std::string> rows;
    for (const TCompareItem& item : result.Items)
        rows[item.Path] = ResultText(item.Result) + (item.MovedFrom().empty() ? "" : " from " + item.MovedFrom());
    EXPECT_EQ(rows, (std::map<std::string, std::string>{{"renamed.txt", "Moved from old name.txt"},
                                                        {"new/place.bin", "Moved from old/place.bin"},
                                                        {"twin1", "Created"},
                                                        {"twin2", "Created"},
                                                        {"twin-old", "Only in destination"},
                                                        {"single", "Created"},
                                                        {"single-a", "Only in destination"},
                                                        {"single-b", "Only in destination"},
                                                        {"empty", "Created"},
                                                        {"empty-old", "Only in destination"},
                                                        {"later", "Created"},
                                                        {"later-old", "Only in destination"}}));
    const TCompareItem* moved = Find(result.Items, "renamed.txt");
    ASSERT_NE(moved, nullptr);
    EXPECT_FALSE(moved->DstExists());  // nothing stands at the new path
    EXPECT_TRUE(moved->SrcExists());

    Options.FatPrecision = false;
    const TRunResult exact = Compare(Options);
    const TCompareItem* apart = Find(exact.Items, "new/place.bin");
    ASSERT_NE(apart, nullptr);
    EXPECT_EQ(apart->Result, TCompareResult::Created);
}

TEST_F(CompareThreadTest, FatPrecisionTreatsTimesUnderTwoSecondsApartAsEqual)
{
    // t = 6F, T = 5F + 1: newer exactly, equal at FAT precision.
    Pair("a", "x", 6 * F, "x", 5 * F + 1);
    // t = 5F + 1, T = 6F: older exactly, equal at FAT precision.
    Pair("b", "x", 5 * F + 1, "x", 6 * F);
    // Linux's FAT truncates an odd second down: 7.5 s against 6 s.
    Pair("c", "x", 3 * F + F * 3 / 4, "x", 3 * F);
    // Two seconds or more apart stay apart: 9 s against 6.9 s rounds to 10 against 8.
    Pair("d", "x", 4 * F + F / 2, "x", 3 * F + F * 9 / 20);
    Options.ShowNotModified = true;

    const TRunResult fat = Compare(Options);
    ASSERT_EQ(fat.Items.size(), 4u);
    EXPECT_EQ(Find(fat.Items, "a")->Result, TCompareResult::NotModified);
    EXPECT_EQ(Find(fat.Items, "a")->TimeRemainder, 0);
    EXPECT_EQ(Find(fat.Items, "b")->TimeRemainder, 0);
    EXPECT_EQ(Find(fat.Items, "c")->Result, TCompareResult::NotModified);
    EXPECT_EQ(Find(fat.Items, "d")->Result, TCompareResult::Modified);
    EXPECT_EQ(Find(fat.Items, "d")->TimeRemainder, F);

    Options.FatPrecision = false;
    const TRunResult exact = Compare(Options);
    EXPECT_EQ(Find(exact.Items, "a")->Result, TCompareResult::Modified);
    EXPECT_EQ(Find(exact.Items, "a")->TimeRemainder, F - 1);
    EXPECT_EQ(Find(exact.Items, "b")->TimeRemainder, -(F - 1));
    EXPECT_EQ(Find(exact.Items, "b")->Result, TCompareResult::NotModified);
    EXPECT_EQ(Find(exact.Items, "c")->Result, TCompareResult::Modified);
}

TEST_F(CompareThreadTest, AnHourShiftCountsAsNoDifferenceWhenAsked)
{
    constexpr std::int64_t Hour = 3600 * 10'000'000LL;
    Pair("later", "x", 100 * F + Hour, "x", 100 * F);
    Pair("earlier", "x", 100 * F - Hour, "x", 100 * F);
    // At FAT precision an odd second truncated on the card is still the same time.
    Pair("fat", "x", 100 * F + Hour + F / 2, "x", 100 * F);
    Pair("more", "x", 100 * F + Hour + 2 * F, "x", 100 * F);
    Pair("bigger", "xy", 100 * F + Hour, "x", 100 * F);
    Options.ShowNotModified = true;
    Options.IgnoreHourShift = true;

    const TRunResult shifted = Compare(Options);
    for (const char* name : {"later", "earlier", "fat"}) {
        EXPECT_EQ(Find(shifted.Items, name)->Result, TCompareResult::NotModified) << name;
        EXPECT_EQ(Find(shifted.Items, name)->TimeRemainder, 0) << name;
    }
    EXPECT_EQ(Find(shifted.Items, "more")->Result, TCompareResult::Modified);
    EXPECT_EQ(Find(shifted.Items, "bigger")->Result, TCompareResult::Ambiguous);

    Options.FatPrecision = false;
    EXPECT_EQ(Find(Compare(Options).Items, "fat")->Result, TCompareResult::Modified);
    Options.IgnoreHourShift = false;
    EXPECT_EQ(Find(Compare(Options).Items, "later")->TimeRemainder, Hour);
}

TEST_F(CompareThreadTest, ContentsDecideThePairsOfOneSizeWhenAsked)
{
    Pair("touched", "abc", 4 * F, "abc", 2 * F);
    Pair("damaged", "abc", 2 * F, "abd", 2 * F);
    Pair("edited", "abc", 4 * F, "abd", 2 * F);
    Pair("older", "abc", 2 * F, "abd", 4 * F);
    Pair("empty", "", 2 * F, "", 4 * F);
    Pair("longer", "abcd", 2 * F, "abc", 2 * F);
    Options.ShowNotModified = true;
    EXPECT_EQ(Find(Compare(Options).Items, "touched")->Result, TCompareResult::Modified);
    EXPECT_EQ(Find(Compare(Options).Items, "damaged")->Result, TCompareResult::NotModified);

    Options.CompareContents = true;
    const TRunResult read = Compare(Options);
    const std::map<std::string, TCompareResult> expected = {
        {"touched", TCompareResult::NotModified}, {"damaged", TCompareResult::Ambiguous},
        {"edited", TCompareResult::Modified},     {"older", TCompareResult::Ambiguous},
        {"empty", TCompareResult::NotModified},   {"longer", TCompareResult::Ambiguous}};
    for (const auto& [name, result] : expected)
        EXPECT_EQ(Find(read.Items, name)->Result, result) << name;
    // The remainders are the times' and sizes' own.
    EXPECT_EQ(Find(read.Items, "touched")->TimeRemainder, 2 * F);
    EXPECT_EQ(Find(read.Items, "longer")->SizeRemainder, 1);
    // Files of other sizes are never read.
    EXPECT_TRUE(read.Walked.ends_with(" seen\n12 bytes of 12 bytes of contents compared")) << read.Walked;

    Options.ShowNotModified = false;
    const TRunResult shown = Compare(Options);
    EXPECT_EQ(Find(shown.Items, "touched"), nullptr);
    EXPECT_NE(Find(shown.Items, "damaged"), nullptr);
}

namespace {
// Runs a hook before each pair's contents are compared.
class THookedContents : public TFileFactsSource {
public:
    std::function<void(const std::string& destination)> BeforeReading;
    TContentsVerdict CompareContents(TContentReader& reader, const std::string& first, const std::string& second,
                                     std::int64_t size) const override
    {
        BeforeReading(second);
        return TFileFactsSource::CompareContents(reader, first, second, size);
    }
};
}  // namespace

TEST_F(CompareThreadTest, APairChangedOrUnreadableSinceTheWalkIsUnknown)
{
    Pair("grows", "abc", 2 * F, "abc", 2 * F);
    Pair("vanishes", "abc", 2 * F, "abc", 2 * F);
    Pair("steady", "abc", 4 * F, "abc", 2 * F);
    THookedContents hooked;
    hooked.BeforeReading = [&](const std::string& destination) {
        if (destination.ends_with("/grows"))
            Tree.CreateFile("dst/grows", "abcd");
        if (destination.ends_with("/vanishes"))
            std::filesystem::remove(destination);
    };
    Options.CompareContents = true;
    Options.ShowNotModified = true;
    const TRunResult result = Compare(Options, hooked);
    for (const char* name : {"grows", "vanishes"}) {
        EXPECT_EQ(Find(result.Items, name)->Result, TCompareResult::Unknown) << name;
        EXPECT_EQ(Find(result.Items, name)->SizeRemainder, 0) << name;
    }
    EXPECT_EQ(Find(result.Items, "steady")->Result, TCompareResult::NotModified);
}

TEST_F(CompareThreadTest, TerminationWhileContentsAreReadStopsWithinOnePiece)
{
    constexpr std::int64_t Piece = static_cast<std::int64_t>(TContentReader::LargestPiece);
    const std::string bytes(static_cast<std::size_t>(3 * Piece), 'x');
    for (const char* name : {"a", "b", "c", "d"})
        Pair(name, bytes, 2 * F, bytes, 4 * F);
    Options.CompareContents = true;
    THookedContents hooked;
    TEventLoop loop;
    TWorkPool pool(1);
    auto thread = std::make_unique<TCompareThread>(Options, loop, pool, hooked);
    int pairs = 0;
    hooked.BeforeReading = [&](const std::string&) {
        if (++pairs == 2)
            thread->Terminate();
    };
    TJobHow how = TJobHow::Completed;
    thread->SetOnEnd([&](const TJobEnd<TComparisonResult>& end) { how = end.How; });
    thread->Resume();
    loop.RunUntil([&] { return thread->Ended(); });
    EXPECT_EQ(how, TJobHow::Stopped);
    EXPECT_EQ(pairs, 2);
    // The first pair whole, and the piece of the second in hand.
    EXPECT_EQ(thread->Walked.ComparedByteCount(), 4 * Piece);
    EXPECT_EQ(thread->Walked.ContentByteCount(), 12 * Piece);
    thread.reset();
}

TEST_F(CompareThreadTest, NotModifiedItemsAreDroppedButCountInTheProgressMaximum)
{
    Pair("same1", "x", 2 * F, "x", 2 * F);
    Pair("newer", "x", 4 * F, "x", 2 * F);
    Pair("same2", "x", 2 * F, "x", 2 * F);
    Tree.CreateFile("src/new", "x", Base);

    const TRunResult result = Compare(Options);
    ASSERT_EQ(result.Items.size(), 2u);
    EXPECT_EQ(result.Items[0].Result, TCompareResult::Created);
    EXPECT_EQ(result.Items[1].Result, TCompareResult::Modified);
    ASSERT_FALSE(result.Progress.empty());
    EXPECT_EQ(result.Progress.back(), std::make_pair(4, 4));
}

TEST_F(CompareThreadTest, SortsByResultThenPathWithoutRegardToCase)
{
    for (const char* name : {"b.txt", "B2.txt", "a.txt", "sub/A.txt", "C.txt"})
        Tree.CreateFile(std::string("src/") + name, "x", Base);
    Pair("m.txt", "x", 4 * F, "x", 2 * F);
    Pair("A-mod.txt", "x", 4 * F, "x", 2 * F);
    Pair("amb.txt", "xy", 2 * F, "x", 2 * F);

    const TRunResult result = Compare(Options);
    std::vector<std::string> order;
    for (const TCompareItem& item : result.Items)
        order.push_back(item.Path);
    EXPECT_EQ(order, (std::vector<std::string>{"a.txt", "b.txt", "B2.txt", "C.txt", "sub/A.txt", "A-mod.txt", "m.txt",
                                               "amb.txt"}));
}

TEST_F(CompareThreadTest, MasksApplyToFileNamesOnlyAndExclusionWins)
{
    Tree.CreateFile("src/keep.txt", "x", Base);
    Tree.CreateFile("src/skip.log", "x", Base);
    Tree.CreateFile("src/notes.TXT", "x", Base);
    Tree.CreateFile("src/secret.txt", "x", Base);
    Tree.CreateFile("src/deep.txt.d/inner.txt", "x", Base);
    Tree.CreateFile("src/deep.txt.d/inner.log", "x", Base);
    Options.UseIncludeMasks = true;
    Options.IncludeMasks = "*.log;*.txt";
    Options.UseExcludeMasks = true;
    Options.ExcludeMasks = "secret*;*.log";

    const TRunResult result = Compare(Options);
    // The walk counts every file it saw, kept or not.
    EXPECT_EQ(result.Walked, "6 files in 2 folders seen");
    std::vector<std::string> names;
    for (const TCompareItem& item : result.Items)
        names.push_back(item.Path);
    EXPECT_EQ(names, (std::vector<std::string>{"deep.txt.d/inner.txt", "keep.txt", "notes.TXT"}));

    Options.IncludeMasks = "*.cpp; *.txt";  // the second mask begins with a blank
    Options.UseExcludeMasks = false;
    EXPECT_TRUE(Compare(Options).Items.empty());
}

TEST_F(CompareThreadTest, WithoutSubdirectoriesOnlyTheRootIsCompared)
{
    Tree.CreateFile("src/top", "x", Base);
    Tree.CreateFile("src/sub/below", "x", Base);
    Options.IncludeSubDirs = false;
    const TRunResult result = Compare(Options);
    ASSERT_EQ(result.Items.size(), 1u);
    EXPECT_EQ(result.Items[0].Path, "top");
}

TEST_F(CompareThreadTest, MissingRootGivesAnEmptyNormalResult)
{
    Options.SrcDir = Tree.Path("nowhere");
    const TRunResult result = Compare(Options);
    EXPECT_TRUE(result.Completed);
    EXPECT_FALSE(result.Failed);
    EXPECT_TRUE(result.Items.empty());
    EXPECT_TRUE(result.Progress.empty());
}

TEST_F(CompareThreadTest, NestedDestinationIsScannedAsSource)
{
    Tree.CreateFile("src/a", "x", Base);
    Tree.CreateFile("src/backup/a", "x", Base);
    Options.DstDir = Tree.Path("src/backup");
    const TRunResult result = Compare(Options);
    ASSERT_EQ(result.Items.size(), 1u);  // src/a pairs with backup/a and is not modified
    EXPECT_EQ(result.Items[0].Path, "backup/a");
    EXPECT_EQ(result.Items[0].Result, TCompareResult::Created);
}

TEST_F(CompareThreadTest, FilesDeeperThanOneSystemCallTakesAreListedWithTheirVerdicts)
{
    const std::string deep = TTreeFixture::DeepFolder();
    Pair(deep + "/both", "abc", 10 * F, "ab", 2 * F);
    Tree.CreateFile("src/" + deep + "/only-source", "abcd", Base);
    Tree.CreateFile("src/" + deep + "/sub/folder-missing", "abcde", Base);
    const TRunResult result = Compare(Options);
    ASSERT_TRUE(result.Completed);
    ASSERT_EQ(result.Items.size(), 3u);

    const TCompareItem* both = Find(result.Items, deep + "/both");
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->Result, TCompareResult::Modified);
    EXPECT_TRUE(both->DstExists());
    EXPECT_EQ(both->SizeRemainder, 1);
    EXPECT_EQ(both->TimeRemainder, 8 * F);
    EXPECT_EQ(both->Path, deep + "/both");
    for (const char* name : {"/only-source", "/sub/folder-missing"}) {
        const TCompareItem* created = Find(result.Items, deep + name);
        ASSERT_NE(created, nullptr) << name;
        EXPECT_EQ(created->Result, TCompareResult::Created) << name;
        EXPECT_FALSE(created->DstExists()) << name;
    }
    EXPECT_TRUE(DirectoryExists(Options.SrcDir + "/" + deep + "/sub"));
    EXPECT_EQ(LookupPath(Options.DstDir + "/" + deep + "/both")->Size, 2);
}

TEST_F(CompareThreadTest, LinkLoopsAndFifosNeitherHangNorAppear)
{
    Tree.CreateFile("src/dir/file", "x", Base);
    Tree.CreateSymlink("src/dir/loop", "..");
    Tree.CreateSymlink("src/self", "self");
    Tree.CreateFifo("src/pipe");
    Tree.CreateFifo("dst/dir/file");  // exists, is no directory: compared by its facts
    Tree.SetTime("dst/dir/file", Base);

    const TRunResult result = Compare(Options);
    std::vector<std::string> names;
    for (const TCompareItem& item : result.Items)
        names.push_back(item.Path);
    EXPECT_EQ(names, (std::vector<std::string>{"self", "dir/file"}));
}

TEST_F(CompareThreadTest, TerminationDuringTheScanCancelsWithoutProgress)
{
    Tree.CreateFile("src/a", "x", Base);
    Tree.CreateFile("src/sub/b", "x", Base);
    Tree.CreateFile("src/sub/c", "x", Base);
    TFakedFacts facts;
    TEventLoop loop;
    TWorkPool pool(0);
    bool cancelled = false, sawProgress = false;
    std::size_t items = 99;
    auto running = std::make_unique<TCompareThread>(Options, loop, pool, facts);
    facts.OnList = [&](const std::string& directory) {
        if (directory.find("/sub") != std::string::npos)
            running->Terminate();
    };
    running->SetOnProgress([&](std::int32_t, std::int32_t) { sawProgress = true; });
    running->SetOnEnd([&](const TJobEnd<TComparisonResult>& end) {
        cancelled = end.How == TJobHow::Cancelled;
        items = end.Result.Items.size();
    });
    running->Resume();
    loop.RunUntil([&] { return running->Ended(); });
    running.reset();
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(sawProgress);
    EXPECT_EQ(items, 0u);  // what was scanned is never shown
}

TEST_F(CompareThreadTest, TerminationDuringClassificationStopsEveryThreadWithinOneItem)
{
    for (int i = 0; i < 500; ++i)
        Tree.CreateFile("src/d" + std::to_string(i % 10) + "/f" + std::to_string(i), "x", Base);
    class TCountedLookups : public TFileFactsSource {
    public:
        mutable std::atomic<int> Count{0};
        std::atomic<TCompareThread*> Running{nullptr};
        std::optional<TFileFacts> Lookup(const std::string& path, TLookupCache& cache) const override
        {
            if (Count.fetch_add(1) + 1 == 100)
                Running.load()->Terminate();
            return TFileFactsSource::Lookup(path, cache);
        }
    };
    for (const int jobs : {1, 8}) {
        TCountedLookups lookups;
        TEventLoop loop;
        TWorkPool pool(jobs);
        TJobHow how = TJobHow::Completed;
        int lastPosition = 0;
        auto thread = std::make_unique<TCompareThread>(Options, loop, pool, lookups);
        lookups.Running = thread.get();
        thread->SetOnProgress([&](std::int32_t position, std::int32_t) { lastPosition = position; });
        thread->SetOnEnd([&](const TJobEnd<TComparisonResult>& end) { how = end.How; });
        thread->Resume();
        loop.RunUntil([&] { return thread->Ended(); });
        // Released by its owner after a stopped run, as the windows and the command line do.
        thread.reset();
        EXPECT_EQ(how, TJobHow::Stopped);
        // Each thread finishes at most the item in its hands.
        EXPECT_LT(lookups.Count.load(), 100 + jobs) << jobs << " jobs";
        EXPECT_LT(lastPosition, 100 + jobs);
    }
}

TEST_F(CompareThreadTest, AnExceptionInAStepFailsTheRun)
{
    Tree.CreateFile("src/a", "x", Base);
    class TThrowingLookup : public TFileFactsSource {
    public:
        std::optional<TFileFacts> Lookup(const std::string&, TLookupCache&) const override { throw std::bad_alloc(); }
    } throwingLookup;
    EXPECT_TRUE(Compare(Options, throwingLookup).Failed);

    class TThrowingList : public TFileFactsSource {
    public:
        TDirectoryContents List(const std::string&) const override { throw std::bad_alloc(); }
    } throwingList;
    const TRunResult failedScan = Compare(Options, throwingList);
    EXPECT_TRUE(failedScan.Failed);
    EXPECT_TRUE(failedScan.Progress.empty());
}
