#include <gtest/gtest.h>

#include <random>

#include "sys/Mysysutils.h"
#include "sys/Utf8.h"

TEST(GroupDigits, InsertsCommasBetweenGroupsOfThreeFromTheRight)
{
    EXPECT_EQ(GroupDigits("1234"), "1,234");
    EXPECT_EQ(GroupDigits("-1234567"), "-1,234,567");
    EXPECT_EQ(GroupDigits("+1000"), "+1,000");
    EXPECT_EQ(GroupDigits("100000"), "100,000");
    for (const char* unchanged : {"999", "-999", "+999", "", "0", "-"})
        EXPECT_EQ(GroupDigits(unchanged), unchanged);
}

TEST(SizeText, RoundsToTheUnitPeopleRead)
{
    EXPECT_EQ(SizeText(999), "999 bytes");
    EXPECT_EQ(SizeText(999'960), "1.0 MB");
    EXPECT_EQ(SizeText(12'345'678'901'234), "12.3 TB");
}

TEST(AddPlusSign, PrefixesUnsignedTexts)
{
    EXPECT_EQ(AddPlusSign("1,234"), "+1,234");
    EXPECT_EQ(AddPlusSign("-512"), "-512");
    EXPECT_EQ(AddPlusSign("+0"), "+0");
    EXPECT_EQ(AddPlusSign(""), "+");
}

TEST(PathParts, SplitAtTheLastSeparatorAndKeepTheRoot)
{
    EXPECT_EQ(FileNamePart("/data/docs/report.final.txt"), "report.final.txt");
    EXPECT_EQ(DirectoryPart("/data/docs/report.final.txt"), "/data/docs");
    EXPECT_EQ(ExtensionPart("/data/docs/report.final.txt"), ".txt");

    EXPECT_EQ(FileNamePart("/readme"), "readme");
    EXPECT_EQ(DirectoryPart("/readme"), "/");
    EXPECT_EQ(ExtensionPart("/readme"), "");

    EXPECT_EQ(FileNamePart("plain"), "plain");
    EXPECT_EQ(DirectoryPart("plain"), "");
    EXPECT_EQ(DirectoryPart("a//b"), "a//");      // a separator after a separator is kept
    EXPECT_EQ(ExtensionPart("/dir.d/file"), "");  // a dot in a folder name is no extension
    EXPECT_EQ(ExtensionPart("/x/archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtensionPart("/x/.profile"), ".profile");
    // ":" and "\" are ordinary characters here.
    EXPECT_EQ(FileNamePart("/x/C:\\a"), "C:\\a");
}

TEST(PathParts, TrailingDelimiterIsAddedOnce)
{
    EXPECT_EQ(WithTrailingDelimiter("/a"), "/a/");
    EXPECT_EQ(WithTrailingDelimiter("/a/"), "/a/");
    EXPECT_EQ(WithTrailingDelimiter(""), "/");
    EXPECT_EQ(WithTrailingDelimiter("/"), "/");
}

TEST(SplitText, KeepsEveryPieceBetweenDelimiters)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(SplitText("", ';'), List{""});
    EXPECT_EQ(SplitText(";", ';'), (List{"", ""}));
    EXPECT_EQ(SplitText("*.txt;", ';'), (List{"*.txt", ""}));
    EXPECT_EQ(SplitText("a;;b", ';'), (List{"a", "", "b"}));
    EXPECT_EQ(SplitText("*.cpp; *.h", ';'), (List{"*.cpp", " *.h"}));
}

TEST(Utf8, InvalidBytesAreCharactersOfTheirOwn)
{
    EXPECT_EQ(Utf8::CharCount("abc"), 3u);
    EXPECT_EQ(Utf8::CharCount("\xC3\xA9t\xC3\xA9"), 3u);  // été
    EXPECT_EQ(Utf8::CharCount("\xF0\x9F\x98\x80"), 1u);   // one emoji
    EXPECT_EQ(Utf8::CharCount("\xC3"), 1u);               // truncated sequence
    EXPECT_EQ(Utf8::CharCount("\xE2\x82"), 2u);           // truncated three-byte sequence
    EXPECT_EQ(Utf8::CharCount("\xC0\xAF"), 2u);           // overlong "/"
    EXPECT_EQ(Utf8::CharCount("\xED\xA0\x80"), 3u);       // surrogate
    EXPECT_EQ(Utf8::CharCount("\xF4\x90\x80\x80"), 4u);   // beyond U+10FFFF
    EXPECT_EQ(Utf8::Next("ab", 2), 2u);
}

TEST(MatchesMask, WildcardsAndCase)
{
    EXPECT_TRUE(MatchesMask("", ""));
    EXPECT_FALSE(MatchesMask("a", ""));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_TRUE(MatchesMask("anything at all", "*"));
    EXPECT_TRUE(MatchesMask("a.b", "*.*"));
    EXPECT_TRUE(MatchesMask("a.", "*.*"));
    EXPECT_TRUE(MatchesMask(".profile", "*.*"));
    EXPECT_FALSE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("NOTES.TXT", "*.txt"));
    EXPECT_TRUE(MatchesMask("notes.txt", "*.TXT"));
    EXPECT_TRUE(MatchesMask("a", "a*"));
    EXPECT_FALSE(MatchesMask("ab", "*a"));
    EXPECT_TRUE(MatchesMask("xabc", "*ab?"));
    EXPECT_TRUE(MatchesMask("abc", "*ab?"));
    EXPECT_FALSE(MatchesMask("xabab", "*ab?"));
    EXPECT_FALSE(MatchesMask("x.h", " *.h"));
}

TEST(MatchesMask, QuestionMarkTakesOneWholeCharacter)
{
    EXPECT_TRUE(MatchesMask("x", "?"));
    EXPECT_TRUE(MatchesMask("\xC3\xA9", "?"));      // é
    EXPECT_TRUE(MatchesMask("\xE6\x97\xA5", "?"));  // 日
    EXPECT_TRUE(MatchesMask("\xFF", "?"));          // an invalid byte
    EXPECT_FALSE(MatchesMask("", "?"));
    EXPECT_FALSE(MatchesMask("ab", "?"));
    EXPECT_TRUE(MatchesMask("\xC3\xA9t\xC3\xA9.txt", "??\?.txt"));
    EXPECT_TRUE(MatchesMask("x\xC3\xA9y", "x?y"));
}

TEST(MatchesMask, FoldsOnlyAsciiLetters)
{
    EXPECT_FALSE(MatchesMask("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));  // été against ÉTÉ
    EXPECT_TRUE(MatchesMask("\xC3\xA9T\xC3\xA9", "\xC3\xA9t\xC3\xA9"));
    EXPECT_FALSE(MatchesMask("[", "{"));  // no folding outside a..z
    EXPECT_FALSE(MatchesMask("@", "`"));
}

TEST(MatchesMask, ManyStarsTakeNoLongerThanTheNameTimesTheMask)
{
    // With a return point per character after each "*", these would take longer than the run.
    const std::string name(60, 'a');
    std::string stars;
    for (int i = 0; i < 31; ++i)
        stars += "*a";
    EXPECT_FALSE(MatchesMask(name, stars + "b"));
    EXPECT_FALSE(MatchesMask(name, stars + "*b*"));
    EXPECT_TRUE(MatchesMask(name, stars));
    EXPECT_TRUE(MatchesMask(name + "b", stars + "*?"));
}

namespace {
// The matcher as first written: a stack of points to return to, one for every character
// matched after a "*", and a "?" at the end of the name failing at once. Exponential in the
// number of stars, but plain enough to be the meaning the fast matcher must keep.
bool ReturnPointMatch(std::string_view name, std::string_view mask)
{
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    auto equal = [&](std::size_t n, std::size_t m) {
        const std::size_t length = Utf8::CharLength(name, n);
        if (length != Utf8::CharLength(mask, m))
            return false;
        if (length <= 1)
            return length == 0 || fold(name[n]) == fold(mask[m]);
        return name.compare(n, length, mask, m, length) == 0;
    };
    std::vector<std::size_t> nameStack, maskStack;
    std::size_t n = 0, m = 0;
    for (;;) {
        bool star = false;
        while (m < mask.size() && (mask[m] == '?' || mask[m] == '*')) {
            if (mask[m] == '?') {
                if (n >= name.size())
                    return false;
                n = Utf8::Next(name, n);
            } else {
                star = true;
            }
            ++m;
        }
        for (;;) {
            if (equal(n, m)) {
                if (n >= name.size())
                    return true;
                if (star) {
                    nameStack.push_back(Utf8::Next(name, n));
                    maskStack.push_back(m);
                }
                n = Utf8::Next(name, n);
                m = Utf8::Next(mask, m);
                break;
            }
            if (star && n < name.size()) {
                n = Utf8::Next(name, n);
            } else if (nameStack.empty()) {
                return false;
            } else {
                n = nameStack.back();
                m = maskStack.back();
                nameStack.pop_back();
                maskStack.pop_back();
                star = true;
            }
        }
    }
}
}  // namespace

TEST(MatchesMask, AgreesWithTheReturnPointMatcherOnRandomInput)
{
    // Small alphabets make backtracking likely. Lone lead and trail bytes join their
    // neighbours into whole characters in some texts and stay invalid bytes in others.
    const std::vector<std::string> alphabet = {"a", "b", "A", ".", "*", "?", "\xC3\xA9", "\xFF", "\xC3", "\xA9"};
    std::mt19937 random(12345);
    auto randomText = [&](int maxLength) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, maxLength)(random);
        for (int i = 0; i < length; ++i)
            text += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        return text;
    };
    for (int round = 0; round < 300000; ++round) {
        const std::string name = randomText(8);
        const std::string mask = randomText(7);
        ASSERT_EQ(MatchesMask(name, mask), ReturnPointMatch(name, mask))
            << "name '" << name << "' mask '" << mask << "'";
    }
}

TEST(CyclicIndex, WrapsAtBothEnds)
{
    EXPECT_EQ(NextIndex(3, 0, 4), 4);
    EXPECT_EQ(NextIndex(4, 0, 4), 0);
    EXPECT_EQ(PreviousIndex(1, 0, 4), 0);
    EXPECT_EQ(PreviousIndex(0, 0, 4), 4);
    EXPECT_EQ(NextIndex(0, 0, 0), 0);
}

TEST(Csv, QuotesFieldsWithBlanksCommasQuotesAndControls)
{
    const auto line = [](const std::vector<std::string>& fields) {
        std::string text = "before:";
        AppendCsvLine(fields, text);
        return text;
    };
    EXPECT_EQ(line({"readme.txt"}), "before:readme.txt");
    EXPECT_EQ(line({"/data/My Docs", "+1,234 bytes"}), "before:\"/data/My Docs\",\"+1,234 bytes\"");
    EXPECT_EQ(line({"say \"hi\"", "tab\there", "caf\xC3\xA9"}), "before:\"say \"\"hi\"\"\",\"tab\there\",caf\xC3\xA9");
    EXPECT_EQ(line({"a", "", "b", ""}), "before:a,,b,");
    EXPECT_EQ(line({""}), "before:\"\"");
    EXPECT_EQ(line({"", ""}), "before:,");
}
