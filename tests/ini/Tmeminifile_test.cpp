#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <stdexcept>

#include <sys/stat.h>

#include "ini/Tmeminifile.h"
#include "support/Ttreefixture.h"

using namespace std::string_literals;
using testing::HasSubstr;

namespace {
TMemIniFile Parsed(std::string_view text)
{
    TMemIniFile document;
    document.SetText(text);
    return document;
}
}  // namespace

TEST(TMemIniFileParsing, SplitsAtEveryLineEndAndStopsAtAZeroByte)
{
    const TMemIniFile document = Parsed("[S]\r\na=1\rb=2\nc=3\n\rd=4\r\ne=5\0f=6\r\n"s);
    EXPECT_EQ(document.ReadString("S", "a", "-"), "1");
    EXPECT_EQ(document.ReadString("S", "b", "-"), "2");
    EXPECT_EQ(document.ReadString("S", "c", "-"), "3");
    EXPECT_EQ(document.ReadString("S", "d", "-"), "4");
    EXPECT_EQ(document.ReadString("S", "e", "-"), "5");
    EXPECT_FALSE(document.ValueExists("S", "f"));
    EXPECT_EQ(document.Text(), "[S]\r\na=1\r\nb=2\r\nc=3\r\nd=4\r\ne=5\r\n\r\n");

    EXPECT_EQ(Parsed("[S]\nv=ab\0cd\n"s).ReadString("S", "v", "-"), "ab");
    EXPECT_EQ(Parsed(""s).Text(), "");
    EXPECT_EQ(Parsed("\0[S]\na=1"s).Text(), "");
}

TEST(TMemIniFileParsing, StripsBlanksAndControlCodesAroundNamesAndValuesOnly)
{
    const TMemIniFile document = Parsed(
        "\t [ \x01Options\t ]  \n  key \t=  some value \x1F\n"
        "inner=a\x01 \x7F"
        "b\n"
        "high=\xC3\xA9 \n");
    EXPECT_EQ(document.ReadString("Options", "key", "-"), "some value");
    EXPECT_EQ(document.ReadString("Options", "inner", "-"),
              "a\x01 \x7F"
              "b");
    // Bytes above 127 belong to characters and are never stripped.
    EXPECT_EQ(document.ReadString("Options", "high", "-"), "\xC3\xA9");
    EXPECT_EQ(document.Text(),
              "[Options]\r\nkey=some value\r\ninner=a\x01 \x7F"
              "b\r\nhigh=\xC3\xA9\r\n\r\n");
}

TEST(TMemIniFileParsing, SkipsCommentsAndLinesBeforeTheFirstSection)
{
    const TMemIniFile document = Parsed("early=1\nbare before\n; [Hidden]\n[S]\n;a=1\n  ;b=2\nc=x;y\n");
    EXPECT_FALSE(document.ValueExists("S", "early"));
    EXPECT_FALSE(document.ValueExists("Hidden", "a"));
    EXPECT_FALSE(document.ValueExists("S", "a"));
    EXPECT_FALSE(document.ValueExists("S", "b"));
    EXPECT_EQ(document.ReadString("S", "c", "-"), "x;y");
    EXPECT_EQ(document.Text(), "[S]\r\nc=x;y\r\n\r\n");
}

TEST(TMemIniFileParsing, KeepsMalformedLinesAsBareTextThatNoReadFinds)
{
    const TMemIniFile document = Parsed("[S]\njust words\n[unclosed\nclosed]\n=\n==\n a = b = c \n");
    EXPECT_FALSE(document.ValueExists("S", "just words"));
    EXPECT_EQ(document.ReadString("S", "just words", "-"), "-");
    EXPECT_FALSE(document.ValueExists("unclosed", ""));
    // A line of only "=" is an entry with an empty name.
    EXPECT_TRUE(document.ValueExists("S", ""));
    EXPECT_EQ(document.ReadString("S", "", "-"), "");
    EXPECT_EQ(document.ReadString("S", "a", "-"), "b = c");
    EXPECT_EQ(document.Text(), "[S]\r\njust words\r\n[unclosed\r\nclosed]\r\n=\r\n==\r\na=b = c\r\n\r\n");
}

TEST(TMemIniFileParsing, EmptyBracketsNameASectionWithAnEmptyName)
{
    const TMemIniFile document = Parsed("[]\na=1\n[ \t]\nb=2\n");
    EXPECT_EQ(document.ReadString("", "a", "-"), "1");
    EXPECT_FALSE(document.ValueExists("", "b"));  // the second empty name is hidden by the first
    EXPECT_EQ(document.Text(), "[]\r\na=1\r\n\r\n[]\r\nb=2\r\n\r\n");
}

TEST(TMemIniFileParsing, IgnoresAUtf8ByteOrderMarkAtTheStartOnly)
{
    const TMemIniFile document = Parsed("\xEF\xBB\xBF[S]\na=\xEF\xBB\xBF\n");
    EXPECT_EQ(document.ReadString("S", "a", "-"), "\xEF\xBB\xBF");
    EXPECT_EQ(document.Text(), "[S]\r\na=\xEF\xBB\xBF\r\n\r\n");
}

TEST(TMemIniFileParsing, KeepsVeryLongLinesWhole)
{
    const std::string value(3'000'000, 'v');
    const std::string name(100'000, 'n');
    const TMemIniFile document = Parsed("[S]\n" + name + "=" + value + "\n");
    EXPECT_EQ(document.ReadString("S", name, "-"), value);
}

TEST(TMemIniFileParsing, BinaryGarbageParsesToADocumentThatWritesBackAsItself)
{
    std::mt19937 random(20240601);
    // Biased towards the bytes that mean something to the parser.
    const std::string alphabet =
        "[]=;\r\n\t \x01\xEF\xBB\xBF"
        "aB\xC3\xA9";
    for (int round = 0; round < 200; ++round) {
        std::string garbage(static_cast<std::size_t>(random() % 2000), '\0');
        for (char& c : garbage)
            c = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        const std::string text = Parsed(garbage).Text();
        ASSERT_EQ(Parsed(text).Text(), text) << "round " << round;
    }
}

TEST(TMemIniFileNames, MatchWithoutRegardToLetterCaseUnderTheLocale)
{
    const TMemIniFile document = Parsed("[options]\nSrcDir=/a\n[\xC3\x84RGER]\n\xC3\x96L=1\n");
    EXPECT_EQ(document.ReadString("OPTIONS", "srcdir", "-"), "/a");
    EXPECT_EQ(document.ReadString("Options", "SRCDIR", "-"), "/a");
    // Beyond ASCII: "ÄRGER" / "ärger", "ÖL" / "öl".
    EXPECT_EQ(document.ReadString("\xC3\xA4rger", "\xC3\xB6l", "-"), "1");
    // Otherwise names compare as bytes: a decomposed "é" is not the precomposed one.
    EXPECT_FALSE(Parsed("[S]\n\xC3\xA9=1\n").ValueExists("S", "e\xCC\x81"));
}

TEST(TMemIniFileNames, TheFirstOfTwoEqualNamesCounts)
{
    TMemIniFile document = Parsed("[S]\nk=a\nK=b\n[s]\nk=c\nonly=second\n");
    EXPECT_EQ(document.ReadString("S", "k", "-"), "a");
    EXPECT_FALSE(document.ValueExists("S", "only"));

    document.WriteString("S", "K", "z");
    EXPECT_EQ(document.ReadString("S", "k", "-"), "z");
    EXPECT_EQ(document.Text(), "[S]\r\nK=z\r\nK=b\r\n\r\n[s]\r\nk=c\r\nonly=second\r\n\r\n");
}

TEST(TMemIniFileReading, IntegersAreDecimalOrHexadecimalWithinThirtyTwoBits)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {"0x1F", 31},
        {"0X1f", 31},
        {"$1F", 31},
        {"$ff", 255},
        {"-5", -5},
        {"+7", 7},
        {"007", 7},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"$7FFFFFFF", 2147483647},
        {"0x00000000000000010", 16},
        // Everything below gives the default.
        {"0x", 99},
        {"12abc", 99},
        {"", 99},
        {"$", 99},
        {"-", 99},
        {"1.5", 99},
        {"1 2", 99},
        {"-$5", 99},
        {"0x-5", 99},
        {"$G", 99},
        {"2147483648", 99},
        {"-2147483649", 99},
        {"$80000000", 99},
        {"$FFFFFFFF", 99},
        {"99999999999999999999", 99},
        {"yes", 99},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Parsed("[S]\nn=" + std::string(text) + "\n").ReadInteger("S", "n", 99), expected) << text;
    EXPECT_EQ(Parsed("[S]\n").ReadInteger("S", "n", -3), -3);
}

TEST(TMemIniFileReading, BooleansAreIntegersWithZeroFalse)
{
    const TMemIniFile document = Parsed("[S]\ntwo=2\nyes=yes\nzero=0\nhex=0x1\nnegative=-1\n");
    EXPECT_TRUE(document.ReadBool("S", "two", false));
    EXPECT_TRUE(document.ReadBool("S", "yes", true));
    EXPECT_FALSE(document.ReadBool("S", "yes", false));
    EXPECT_FALSE(document.ReadBool("S", "zero", true));
    EXPECT_TRUE(document.ReadBool("S", "hex", false));
    EXPECT_TRUE(document.ReadBool("S", "negative", false));
    EXPECT_TRUE(document.ReadBool("S", "missing", true));
    EXPECT_FALSE(document.ReadBool("Missing", "two", false));
}

TEST(TMemIniFileWriting, AppendsSectionsAndEntriesInTheOrderWritten)
{
    TMemIniFile document;
    document.WriteString("A", "x", "1");
    document.WriteString("B", "y", "two words");
    document.WriteInteger("B", "z", -5);
    EXPECT_EQ(document.Text(), "[A]\r\nx=1\r\n\r\n[B]\r\ny=two words\r\nz=-5\r\n\r\n");

    document.WriteBool("a", "flag", true);
    document.WriteBool("A", "other", false);
    document.WriteInteger("A", "X", 2147483647);
    EXPECT_EQ(document.Text(), "[A]\r\nX=2147483647\r\nflag=1\r\nother=0\r\n\r\n[B]\r\ny=two words\r\nz=-5\r\n\r\n");
    EXPECT_EQ(document.ReadInteger("A", "x", 0), 2147483647);
}

TEST(TMemIniFileWriting, KeepsBlanksInMemoryThatVanishOnceRead)
{
    TMemIniFile document;
    document.WriteString("S", "masks", "  *.txt ; *.doc  ");
    EXPECT_EQ(document.ReadString("S", "masks", "-"), "  *.txt ; *.doc  ");
    EXPECT_EQ(Parsed(document.Text()).ReadString("S", "masks", "-"), "*.txt ; *.doc");
}

TEST(TMemIniFileWriting, RefusesNamesAndValuesThatWouldReadBackOtherwise)
{
    TMemIniFile document = Parsed("[S]\nk=old\n");
    const std::string before = document.Text();
    const std::tuple<std::string, std::string, std::string> refused[] = {
        {"S", "k", "/home/a\nDstDir=/"},
        {"S", "k", "a\rb"},
        {"S", "k", "a\0b"s},
        {"S", "k=v", "x"},
        {"S", " k", "x"},
        {"S", "k\t", "x"},
        {"S", ";k", "x"},
        {"S", "[k", "x]"},
        {"S\n", "k", "x"},
        {" S", "k", "x"},
        {"S\0"s, "k", "x"},
    };
    for (const auto& [section, name, value] : refused)
        EXPECT_THROW(document.WriteString(section, name, value), std::runtime_error) << name << "=" << value;
    EXPECT_EQ(document.Text(), before);
    EXPECT_THAT([&] { document.WriteString("S", "k", "a\nb"); },
                testing::ThrowsMessage<std::runtime_error>(HasSubstr("The value cannot be written")));
}

TEST(TMemIniFileWriting, ClearRemovesEverySection)
{
    TMemIniFile document = Parsed("[A]\na=1\n[B]\nb=2\n");
    document.Clear();
    EXPECT_EQ(document.Text(), "");
    EXPECT_FALSE(document.ValueExists("A", "a"));
    document.WriteString("B", "c", "3");
    EXPECT_EQ(document.Text(), "[B]\r\nc=3\r\n\r\n");
}

TEST(TMemIniFileFile, AMissingFileOpensEmptyAndIsCreatedByUpdateFile)
{
    TTreeFixture tree;
    TMemIniFile document(tree.Path("settings.ini"));
    EXPECT_EQ(document.FileName(), tree.Path("settings.ini"));
    EXPECT_EQ(document.Text(), "");
    EXPECT_EQ(document.ReadInteger("ViewOptions", "ToolBar", 7), 7);
    document.WriteString("A", "x", "1");
    document.UpdateFile();
    EXPECT_EQ(tree.ReadFile("settings.ini"), "[A]\r\nx=1\r\n\r\n");

    EXPECT_EQ(TMemIniFile(tree.Path("missing/deeper.ini")).Text(), "");
}

TEST(TMemIniFileFile, UpdateFileWritesTheWholeDocumentOverTheOldFile)
{
    TTreeFixture tree;
    tree.CreateFile("a.ini", "orphan=1\n[Keep]\nk = v \n[Drop]\nd=1\nnot an entry\n");
    TMemIniFile document(tree.Path("a.ini"));
    document.WriteString("Keep", "new", "n");
    document.UpdateFile();
    EXPECT_EQ(tree.ReadFile("a.ini"), "[Keep]\r\nk=v\r\nnew=n\r\n\r\n[Drop]\r\nd=1\r\nnot an entry\r\n\r\n");

    document.Clear();
    document.UpdateFile();
    EXPECT_EQ(tree.ReadFile("a.ini"), "");

    tree.CreateFile("empty.ini", "");
    EXPECT_EQ(TMemIniFile(tree.Path("empty.ini")).Text(), "");
}

TEST(TMemIniFileFile, FailuresToReadOrWriteRaise)
{
    TTreeFixture tree;
    tree.CreateDirectory("folder.ini");
    EXPECT_THROW(TMemIniFile(tree.Path("folder.ini")), std::runtime_error);

    tree.CreateFile("big.ini", "[S]\n" + std::string(TMemIniFile::MaxFileSize, 'x'));
    EXPECT_THAT([&] { TMemIniFile document(tree.Path("big.ini")); },
                testing::ThrowsMessage<std::runtime_error>(HasSubstr("larger than")));

    EXPECT_THROW(TMemIniFile().UpdateFile(), std::runtime_error);
}

// Permission checks only bite for an unprivileged user, so these writes run as "nobody"
// through a small tool, copied where that user can reach it.
class TMemIniFileUnprivileged : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chmod(Tree.Root().c_str(), 0755), 0);
        std::filesystem::copy_file(INI_WRITE_TOOL, Tree.Path("ini_write_tool"));
        ASSERT_EQ(chmod(Tree.Path("ini_write_tool").c_str(), 0755), 0);
        Tree.CreateDirectory("dir");
        ASSERT_EQ(chmod(Tree.Path("dir").c_str(), 0777), 0);
        Tree.CreateFile("dir/settings.ini", Original);
        ASSERT_EQ(chmod(Tree.Path("dir/settings.ini").c_str(), 0666), 0);
    }

    int WriteAsNobody(const std::string& prefix, const std::string& value)
    {
        return RunUnprivileged(prefix + Tree.Path("ini_write_tool") + " " + Tree.Path("dir/settings.ini") + " S k " +
                               value + " 2>/dev/null");
    }

    int EntriesInDir() const
    {
        const std::filesystem::directory_iterator entries(Tree.Path("dir"));
        return static_cast<int>(std::distance(begin(entries), end(entries)));
    }

    TTreeFixture Tree;
    const std::string Original = "[S]\r\nk=old\r\n\r\n";
};

TEST_F(TMemIniFileUnprivileged, ASuccessfulWriteKeepsThePermissionBits)
{
    ASSERT_EQ(chmod(Tree.Path("dir/settings.ini").c_str(), 0646), 0);
    EXPECT_EQ(WriteAsNobody("", "new"), 0);
    EXPECT_EQ(Tree.ReadFile("dir/settings.ini"), "[S]\r\nk=new\r\n\r\n");
    struct stat info {};
    ASSERT_EQ(stat(Tree.Path("dir/settings.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0646u);
    EXPECT_EQ(EntriesInDir(), 1);
}

TEST_F(TMemIniFileUnprivileged, AFailedWriteLeavesTheOldFileIntact)
{
    // The directory is not writable: no temporary file can be made beside the target.
    ASSERT_EQ(chmod(Tree.Path("dir").c_str(), 0555), 0);
    EXPECT_EQ(WriteAsNobody("", "new"), 1);
    EXPECT_EQ(Tree.ReadFile("dir/settings.ini"), Original);
    ASSERT_EQ(chmod(Tree.Path("dir").c_str(), 0777), 0);

    // A read-only file in a writable directory stays as the user protected it.
    ASSERT_EQ(chmod(Tree.Path("dir/settings.ini").c_str(), 0444), 0);
    EXPECT_EQ(WriteAsNobody("", "new"), 1);
    EXPECT_EQ(Tree.ReadFile("dir/settings.ini"), Original);
    ASSERT_EQ(chmod(Tree.Path("dir/settings.ini").c_str(), 0666), 0);

    // The disk fills up in the middle of the write (a file size limit of 512 or 1024 bytes).
    EXPECT_EQ(WriteAsNobody("trap \"\" XFSZ; ulimit -f 1; exec ", std::string(5000, 'x')), 1);
    EXPECT_EQ(Tree.ReadFile("dir/settings.ini"), Original);
    EXPECT_EQ(EntriesInDir(), 1);
}
