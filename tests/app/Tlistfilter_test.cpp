#include <gtest/gtest.h>

#include "app/Tlistfilter.h"

TEST(ListFilter, FitsFileNamesOrWholePathsWhenTheMaskHoldsASeparatorAndFindsWordsInThem)
{
    const TListFilter none;
    EXPECT_FALSE(none.Active());
    EXPECT_TRUE(none.Passes("/any/thing"));

    const TListFilter types("*.txt;*.JPG");
    EXPECT_TRUE(types.Passes("/d/notes.TXT"));
    EXPECT_TRUE(types.Passes("/d/beach.jpg"));
    EXPECT_FALSE(types.Passes("/d.txt/readme"));
    // A word without wildcards is found anywhere in a name, in any case; masks stay masks.
    EXPECT_TRUE(TListFilter("file01").Passes("/d/file01.txt"));
    EXPECT_TRUE(TListFilter("LE01.t").Passes("/d/file01.txt"));
    EXPECT_FALSE(TListFilter("file01").Passes("/file01/d/a.txt"));
    EXPECT_FALSE(TListFilter("file01?").Passes("/d/file01.txt"));
    EXPECT_FALSE(TListFilter("file01*").Passes("/d/my file01.txt"));
    EXPECT_TRUE(TListFilter("*note*").Passes("/d/notes.txt"));
    // With a separator the word is found anywhere in the whole path.
    EXPECT_TRUE(TListFilter("2023/b").Passes("/p/2023/beach.jpg"));

    // Each mask of the list decides for itself whether it fits the path or the name.
    const TListFilter mixed("*/2023/*;readme");
    EXPECT_TRUE(mixed.Passes("/p/2023/beach.jpg"));
    EXPECT_TRUE(mixed.Passes("/p/readme"));
    EXPECT_FALSE(mixed.Passes("/p/2024/beach.jpg"));
    EXPECT_FALSE(TListFilter("2023/*").Passes("/p/2023/beach.jpg"));
    EXPECT_FALSE(TListFilter("2024/").Passes("/p/2023/beach.jpg"));

    // An empty mask, as while a list is typed, fits no name and takes none from the others.
    EXPECT_TRUE(TListFilter("*.txt;").Passes("/d/a.txt"));
    EXPECT_FALSE(TListFilter(";").Passes("/d/a.txt"));
}
