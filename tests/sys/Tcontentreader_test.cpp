#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "support/Ttreefixture.h"
#include "sys/Tcontentreader.h"

namespace {
constexpr std::int64_t Piece = static_cast<std::int64_t>(TContentReader::LargestPiece);

class ContentReaderTest : public ::testing::Test {
protected:
    TTreeFixture Tree;
    std::atomic<std::int64_t> Compared{0};

    TContentsVerdict Compare(const std::string& first, const std::string& second, std::int64_t size,
                             std::function<bool()> stop = {})
    {
        TContentReader reader(std::move(stop), &Compared);
        return reader.Compare(Tree.Path(first), Tree.Path(second), size);
    }
};
}  // namespace

TEST_F(ContentReaderTest, FindsADifferenceAnywhereAndCountsEveryPairWhole)
{
    // Two and a half pieces: a byte in the first, at the border of two and in the last.
    const std::string bytes(static_cast<std::size_t>(2 * Piece + Piece / 2), 'x');
    Tree.CreateFile("a", bytes);
    Tree.CreateFile("same", bytes);
    for (const std::int64_t at : {std::int64_t{0}, Piece, 2 * Piece + Piece / 2 - 1}) {
        std::string changed = bytes;
        changed[static_cast<std::size_t>(at)] = 'y';
        Tree.CreateFile("b", changed);
        Compared = 0;
        EXPECT_EQ(Compare("a", "b", static_cast<std::int64_t>(bytes.size())), TContentsVerdict::Different) << at;
        EXPECT_EQ(Compared, static_cast<std::int64_t>(bytes.size())) << at;
    }
    EXPECT_EQ(Compare("a", "same", static_cast<std::int64_t>(bytes.size())), TContentsVerdict::Same);
    Tree.CreateFile("empty1", "");
    Tree.CreateFile("empty2", "");
    EXPECT_EQ(Compare("empty1", "empty2", 0), TContentsVerdict::Same);
}

TEST_F(ContentReaderTest, AFileThatIsNotWhatWasSeenIsUnreadable)
{
    Tree.CreateFile("a", "abc");
    Tree.CreateFile("b", "abc");
    Tree.CreateFifo("fifo");
    Tree.CreateDirectory("folder");
    EXPECT_EQ(Compare("a", "missing", 3), TContentsVerdict::Unreadable);
    // Never waits for a writer that will not come.
    EXPECT_EQ(Compare("a", "fifo", 3), TContentsVerdict::Unreadable);
    EXPECT_EQ(Compare("folder", "a", 3), TContentsVerdict::Unreadable);
    // Seen with another size: the facts judged are no longer the file's.
    EXPECT_EQ(Compare("a", "b", 2), TContentsVerdict::Unreadable);

    // Grown while read: the bytes beyond the seen size were never compared.
    const std::string bytes(static_cast<std::size_t>(2 * Piece), 'x');
    Tree.CreateFile("big1", bytes);
    Tree.CreateFile("big2", bytes);
    const std::string grown = Tree.Path("big2");
    const auto growOnce = [&, grew = false]() mutable {
        if (!grew) {
            grew = true;
            const int file = open(grown.c_str(), O_WRONLY | O_APPEND);
            EXPECT_EQ(write(file, "more", 4), 4);
            close(file);
        }
        return false;
    };
    EXPECT_EQ(Compare("big1", "big2", 2 * Piece, growOnce), TContentsVerdict::Unreadable);
    // Cut while read.
    Tree.CreateFile("big2", bytes);
    const auto cutOnce = [&] {
        EXPECT_EQ(truncate(grown.c_str(), Piece + 1), 0);
        return false;
    };
    EXPECT_EQ(Compare("big1", "big2", 2 * Piece, cutOnce), TContentsVerdict::Unreadable);
}

TEST_F(ContentReaderTest, AStopEndsTheReadingBetweenTwoPieces)
{
    const std::string bytes(static_cast<std::size_t>(4 * Piece), 'x');
    Tree.CreateFile("a", bytes);
    Tree.CreateFile("b", bytes);
    int asked = 0;
    EXPECT_EQ(Compare("a", "b", 4 * Piece, [&] { return ++asked == 2; }), TContentsVerdict::Stopped);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Compared, 2 * Piece);
}
