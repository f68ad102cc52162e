#include <gtest/gtest.h>

#include "sys/Tlocalerules.h"

TEST(LocaleRules, LowerCasesUnderTheLocaleAndKeepsInvalidBytes)
{
    const TLocaleRules english("en_US.UTF-8");
    EXPECT_EQ(english.Lower("README.TXT"), "readme.txt");
    EXPECT_EQ(english.Lower("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9");  // ÉTÉ -> été
    EXPECT_EQ(english.Lower("A\xFF"
                            "B"),
              "a\xFF"
              "b");
    const TLocaleRules turkish("tr_TR");
    EXPECT_EQ(turkish.Lower("I"), "\xC4\xB1");  // dotless i
}

TEST(LocaleRules, ComparesFileNamesWithoutRegardToCase)
{
    const TLocaleRules rules("en_US");
    EXPECT_LT(rules.CompareFileNames("a.txt", "B.txt"), 0);
    EXPECT_GT(rules.CompareFileNames("b.txt", "A.txt"), 0);
    EXPECT_EQ(rules.CompareFileNames("Readme", "README"), 0);
    EXPECT_LT(rules.CompareFileNames("\xC3\xA9t\xC3\xA9", "f"), 0);  // été sorts with e, before f
    EXPECT_TRUE(rules.SameFileName("Notes.TXT", "notes.txt"));
    EXPECT_FALSE(rules.SameFileName("notes.txt", "notes.txt "));
}

TEST(LocaleRules, SortKeysOrderAsTheCollatorCompares)
{
    const TLocaleRules rules("de_DE");
    const std::vector<std::string> names = {"Zebra", "apfel", "\xC3\x84pfel", "Bahn", "abc", "ABD", "a1", "a10", "a2"};
    for (const std::string& a : names)
        for (const std::string& b : names) {
            const int byKey = rules.SortKey(a).compare(rules.SortKey(b));
            const int byCompare = rules.CompareFileNames(a, b);
            EXPECT_EQ(byKey < 0, byCompare < 0) << a << " / " << b;
            EXPECT_EQ(byKey == 0, byCompare == 0) << a << " / " << b;
        }
}

TEST(LocaleRules, EnvironmentNamesTheLocale)
{
    // The tests run with LC_ALL=en_US.UTF-8.
    EXPECT_EQ(EnvironmentLocaleName("LC_COLLATE"), "en_US");
}
